// The launcher's command line, pipe message and URL command under arbitrary
// text: nothing crashes, the URL text is exactly what follows the first
// scheme, a message never exceeds the hand-off buffer and always ends with its
// NUL, and a command always fits its value buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/launch_command.h"
#include "launcher/pipe_message.h"
#include "launcher/url_command.h"

namespace {

std::wstring WideFromBytes(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (unit != 0) text.push_back(unit);
  }
  return text;
}

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring commandLine = WideFromBytes(data, size);
  const auto request = launcher::ParseLaunchCommandLine(commandLine);
  const std::wstring scheme = launcher::kUrlScheme;
  const auto position = commandLine.find(scheme);
  Require(request.schemeFound == (position != std::wstring::npos));
  if (request.schemeFound) {
    Require(request.urlText == commandLine.substr(position + scheme.size()));
    Require(request.clientParameters == request.urlText);
  } else {
    Require(request.clientParameters == commandLine);
  }

  if (const auto message = launcher::BuildPipeMessage(request.urlText)) {
    Require(!message->empty() && message->size() <= launcher::kHandOffBufferBytes);
    Require(message->back() == '\0');
  }
  if (const auto command = launcher::FormatUrlCommand(commandLine)) {
    Require(command->size() < launcher::kUrlCommandChars);
  }
  return 0;
}
