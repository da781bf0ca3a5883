#include <windows.h>

#include <string>

#include "launcher/client_handoff.h"
#include "launcher/pipe_message.h"
#include "logging/n_log.h"
#include "platform/win_handle.h"

namespace {

// How long the Client may leave the message unread before the launcher gives up.
constexpr DWORD kWriteLimitMs = 5000;

enum class WriteOutcome { kWritten, kFailed, kTimedOut };

// Writes the whole message with one WriteFile, waiting at most limitMs for the
// reader. A write still pending then is cancelled and waited for, so the
// system is done with the buffer before it goes.
WriteOutcome WriteWithTimeLimit(HANDLE pipe, const std::string& message, DWORD limitMs) {
  WinHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return WriteOutcome::kFailed;
  OVERLAPPED write{};
  write.hEvent = done.get();
  DWORD written = 0;
  if (WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &written, &write)) {
    return WriteOutcome::kWritten;
  }
  if (GetLastError() != ERROR_IO_PENDING) return WriteOutcome::kFailed;
  if (WaitForSingleObject(done.get(), limitMs) == WAIT_OBJECT_0) {
    return GetOverlappedResult(pipe, &write, &written, FALSE) ? WriteOutcome::kWritten
                                                              : WriteOutcome::kFailed;
  }
  CancelIo(pipe);
  // A write that slipped through before the cancel counts as written.
  return GetOverlappedResult(pipe, &write, &written, TRUE) ? WriteOutcome::kWritten : WriteOutcome::kTimedOut;
}

}  // namespace

int HandOffToClient(const launcher::LaunchRequest& request) {
  if (!request.schemeFound) return 0;
  const auto message = launcher::BuildPipeMessage(request.urlText);
  if (!message) {
    ZM_INFO << "url too long for the client pipe, not sent: " << static_cast<int>(request.urlText.size())
            << " characters";
    return 0;
  }
  // The launcher runs elevated: whoever serves the pipe may identify it but
  // never act as it.
  WinHandle pipe(CreateFileW(
      launcher::kClientPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
      nullptr));
  if (!pipe) return 1;
  // Whatever the write did, the handle is closed and the exit code is 0, as
  // for a completed write; only a Client that never reads is worth a line.
  if (WriteWithTimeLimit(pipe.get(), *message, kWriteLimitMs) == WriteOutcome::kTimedOut) {
    ZM_INFO << "client pipe not read within " << static_cast<int>(kWriteLimitMs / 1000) << " s, url dropped";
  }
  return 0;
}
