#include "launcher/launch_command.h"

namespace launcher {

const wchar_t kClientFileName[] = L"zvkclient.exe";
const wchar_t kUrlScheme[] = L"quillaneth://";
const wchar_t kClientPipeName[] = L"\\\\.\\Pipe\\VEZIDA_zvk";

LaunchRequest ParseLaunchCommandLine(const std::wstring& commandLine) {
  LaunchRequest request;
  const std::wstring scheme(kUrlScheme);
  const auto position = commandLine.find(scheme);
  if (position == std::wstring::npos) {
    request.clientParameters = commandLine;
    return request;
  }
  request.schemeFound = true;
  request.urlText = commandLine.substr(position + scheme.size());
  request.clientParameters = request.urlText;
  return request;
}

std::wstring ParentDirectory(const std::wstring& path) {
  const auto separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return std::wstring();
  // "C:" alone names the drive's current directory, not its root.
  const bool driveRoot = separator == 2 && path[1] == L':';
  return path.substr(0, driveRoot ? separator + 1 : separator);
}

}  // namespace launcher
