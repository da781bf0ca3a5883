#include <windows.h>

#include "launcher/client_handoff.h"
#include "launcher/pipe_message.h"
#include "logging/n_log.h"
#include "platform/win_handle.h"

int HandOffToClient(const launcher::LaunchRequest& request) {
  if (!request.schemeFound) return 0;
  const auto message = launcher::BuildPipeMessage(request.urlText);
  if (!message) {
    ZM_INFO << "url too long for the client pipe, not sent: " << static_cast<int>(request.urlText.size())
            << " characters";
    return 1;
  }
  // The launcher runs elevated: whoever serves the pipe may identify it but
  // never act as it.
  WinHandle pipe(
      CreateFileW(launcher::kClientPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
  if (!pipe) return 1;
  DWORD written = 0;
  WriteFile(pipe.get(), message->data(), static_cast<DWORD>(message->size()), &written, nullptr);
  return 0;
}
