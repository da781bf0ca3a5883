#include "updater/zip_conf.h"

#include <climits>
#include <cstdint>
#include <cwctype>
#include <iterator>

#include "logging/n_log.h"
#include "platform/string_convert.h"
#include "updater/cmd_line_parser.h"

namespace {

constexpr wchar_t kBackslash = L'\\';
const wchar_t kHttpScheme[] = L"http://";
const wchar_t kHttpsScheme[] = L"https://";
const wchar_t kPackageName[] = L"update.zip";
const wchar_t kLauncherName[] = L"ZVKLaunch.exe";

// Text up to and including the last backslash; empty when there is none.
std::wstring CutAfterLastBackslash(const std::wstring& text) {
  const std::size_t slash = text.rfind(kBackslash);
  return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1);
}

std::wstring ParentFolder(const std::wstring& folder) {
  std::wstring trimmed = folder;
  if (!trimmed.empty() && trimmed.back() == kBackslash) trimmed.pop_back();
  return CutAfterLastBackslash(trimmed);
}

std::string PathText(const std::filesystem::path& path) { return WideToAnsi(WideFromPath(path)); }

void LogZipConf(const ZipConf& conf) {
  ZM_TRACE << "zipPath: " << PathText(conf.zipPath);
  ZM_TRACE << "zipMd5: " << conf.zipMd5;
  ZM_TRACE << "clientDic: " << QuotedPathText(conf.clientDic);
  ZM_TRACE << "clientExePath: " << QuotedPathText(conf.clientExePath);
}

// A URL reaches the updater percent-encoded, its host in punycode. Any other
// character would go through the code page's best fit, which can turn a
// full-width host name into another, plain one: such a URL is refused and
// left empty, so every attempt fails on it like any malformed URL.
std::wstring AsciiUrlOrNothing(const std::wstring& url) {
  for (const wchar_t c : url) {
    if (static_cast<std::uint32_t>(c) > 0x7F) {
      ZM_ERROR << "the package URL must be ASCII (percent-encoded)";
      return std::wstring();
    }
  }
  return url;
}

}  // namespace

std::filesystem::path PathFromWide(const std::wstring& text) {
#if defined(_WIN32)
  return std::filesystem::path(text);
#else
  return std::filesystem::u8path(WideToAnsi(text));
#endif
}

std::wstring WideFromPath(const std::filesystem::path& path) {
#if defined(_WIN32)
  return path.wstring();
#else
  return AnsiToWide(path.string());
#endif
}

// An https URL keeps its scheme in the host value: that is how the download
// engine knows to speak TLS to the server.
UrlParts SplitPackageUrl(const std::wstring& url) {
  std::wstring rest = url;
  std::wstring hostPrefix;
  if (rest.compare(0, std::size(kHttpScheme) - 1, kHttpScheme) == 0) {
    rest.erase(0, std::size(kHttpScheme) - 1);
  } else if (rest.compare(0, std::size(kHttpsScheme) - 1, kHttpsScheme) == 0) {
    hostPrefix = kHttpsScheme;
    rest.erase(0, std::size(kHttpsScheme) - 1);
  }
  const std::size_t slash = rest.find(L'/');
  if (slash == std::wstring::npos) return UrlParts{std::wstring(), rest};
  return UrlParts{hostPrefix + rest.substr(0, slash), rest.substr(slash)};
}

UpdaterFolders DeriveUpdaterFolders(const std::wstring& modulePath) {
  UpdaterFolders folders;
  folders.updaterDir = CutAfterLastBackslash(modulePath);
  folders.parentDir = ParentFolder(folders.updaterDir);
  return folders;
}

std::int32_t WideAtoi(const std::wstring& text) {
  std::size_t pos = 0;
  while (pos < text.size() && std::iswspace(static_cast<std::wint_t>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) negative = text[pos++] == L'-';
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos) {
    magnitude = magnitude * 10 + (text[pos] - L'0');
    if (magnitude > limit) {
      magnitude = limit;
      break;
    }
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string QuotedPathText(const std::filesystem::path& path) {
  const std::string text = PathText(path);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '&') quoted += '&';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

ZipConf BuildZipConf(const wchar_t* commandLine, const std::wstring& modulePath) {
  const CCmdLineParser parser(commandLine, false);
  const std::wstring url = AsciiUrlOrNothing(parser.ValueOf(L"url"));
  const std::wstring md5 = parser.ValueOf(L"md5");

  ZipConf conf;
  const UpdaterFolders folders = DeriveUpdaterFolders(modulePath);
  conf.zipMd5 = WideToAnsi(md5);
  // An empty digest still leaves the '?': the server sees the same URL shape.
  conf.url = WideToAnsi(url) + "?" + conf.zipMd5;
  conf.zipPath = PathFromWide(folders.updaterDir + kPackageName);
  conf.pagecallparam = parser.ValueOf(L"pagecallparam");
  conf.launchAfterInstall = true;
  conf.clientExePath = PathFromWide(folders.parentDir + kLauncherName);
  // The package's names are relative to the launcher's folder, as the
  // launcher's own pending update applies them: the forced unpack uses the
  // same folder, so nothing lands beside the installation.
  conf.clientDic = PathFromWide(folders.parentDir);
  const UrlParts parts = SplitPackageUrl(url);
  conf.host = WideToAnsi(parts.host);
  conf.requestPath = WideToAnsi(parts.requestPath);
  conf.forcedupdate = WideAtoi(parser.ValueOf(L"forcedupdate"));
  LogZipConf(conf);
  return conf;
}
