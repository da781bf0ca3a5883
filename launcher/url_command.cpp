#include "launcher/url_command.h"

namespace launcher {

std::optional<std::wstring> FormatUrlCommand(const std::wstring& modulePath) {
  std::wstring command = L"\"" + modulePath + L"\" \"%1\"";
  if (command.size() + 1 > kUrlCommandChars) return std::nullopt;
  return command;
}

}  // namespace launcher
