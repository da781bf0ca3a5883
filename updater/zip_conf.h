#pragma once
// The configuration of one updater run, built once from the command line and
// the location of the running executable, then copied by value to whoever
// needs it (the updater window, the download worker).

#include <cstdint>
#include <filesystem>
#include <string>

struct ZipConf {
  std::string url;                // url value + "?" + md5 value
  std::filesystem::path zipPath;  // <updater dir>update.zip
  std::string zipMd5;
  // The installation: the launcher's folder, the parent of the updater dir,
  // with its backslash. A forced install unpacks here.
  std::filesystem::path clientDic;
  std::filesystem::path clientExePath;  // <clientDic>ZVKLaunch.exe
  bool launchAfterInstall = true;
  std::string host;
  std::string requestPath;
  // Wide from the command line to the launcher start, so that text outside
  // the ANSI code page reaches the Client unchanged.
  std::wstring pagecallparam;
  std::int32_t forcedupdate = 0;
};

// The host and request path of a package URL.
struct UrlParts {
  std::wstring host;
  std::wstring requestPath;
};

// Splits a URL after removing a leading lower-case "http://" or "https://"
// (no other scheme is recognised): the host is the text before the first '/',
// the request path the text from it; an https host keeps its "https://" in
// front. Without any '/' the host is empty and the path is the whole
// remaining text.
UrlParts SplitPackageUrl(const std::wstring& url);

// The folder derivations from the module path (backslash-separated):
// the updater folder (up to and including its last backslash) and its parent,
// the launcher's folder, each ending in a backslash or empty when the path
// has no such level.
struct UpdaterFolders {
  std::wstring updaterDir;
  std::wstring parentDir;
};
UpdaterFolders DeriveUpdaterFolders(const std::wstring& modulePath);

// Wide text to a path and back without depending on the C library's locale:
// Windows keeps paths wide; the native builds store them as UTF-8.
std::filesystem::path PathFromWide(const std::wstring& text);
std::wstring WideFromPath(const std::filesystem::path& path);

// The C runtime's atoi rules (leading white space, optional sign, decimal
// digits, anything else ends the number) with the result clamped to the
// 32-bit range instead of overflowing.
std::int32_t WideAtoi(const std::wstring& text);

// A path as the log shows it: in double quotes, with every double quote and
// ampersand inside preceded by an ampersand; narrow in the ANSI code page.
std::string QuotedPathText(const std::filesystem::path& path);

// Builds the run's configuration from the command line (may be null) and the
// full path of the running executable, and writes its four TRACE lines.
// Missing keys give empty fields; nothing here fails.
ZipConf BuildZipConf(const wchar_t* commandLine, const std::wstring& modulePath);
