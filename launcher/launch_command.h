#pragma once
// Reading the launcher's command line: the text that follows the
// "quillaneth://" scheme, and what the Client is started with.

#include <string>

namespace launcher {

// The Client's file name: the process image name searched for and terminated,
// and the file executed from the launcher's directory.
extern const wchar_t kClientFileName[];  // "zvkclient.exe"
extern const wchar_t kUrlScheme[];       // "quillaneth://", compared case-sensitively
extern const wchar_t kClientPipeName[];  // \\.\Pipe\VEZIDA_zvk

struct LaunchRequest {
  bool schemeFound = false;
  // Everything after the first "quillaneth://", unchanged: a closing quotation
  // mark that the shell put after the URL stays. Empty without the scheme.
  std::wstring urlText;
  // What the Client is started with: the URL text when the scheme was found,
  // otherwise the whole command line.
  std::wstring clientParameters;
};

LaunchRequest ParseLaunchCommandLine(const std::wstring& commandLine);

// The path up to, not including, the last '\\' or '/' (kept after a drive
// letter, so that C:\x.exe gives the root C:\); empty when there is none.
std::wstring ParentDirectory(const std::wstring& path);

}  // namespace launcher
