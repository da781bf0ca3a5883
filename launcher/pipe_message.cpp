#include "launcher/pipe_message.h"

#include "platform/string_convert.h"

namespace launcher {

std::optional<std::string> BuildPipeMessage(const std::wstring& urlText) {
  std::string message = WideToAnsi(urlText);
  message.push_back('\0');
  if (message.size() > kHandOffBufferBytes) return std::nullopt;
  return message;
}

}  // namespace launcher
