#pragma once
// The fake Client's end of \\.\Pipe\VEZIDA_zvk, run from the owner's message
// loop without threads: one instance always listens; a connected caller is
// read to its end (bounded) and its bytes are handed back as one message.

#include <windows.h>

#include <optional>
#include <string>

namespace fake_client {

class PipeServer {
 public:
  PipeServer();
  ~PipeServer();
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  // Creates the listening instance; false when the pipe cannot be made.
  bool listen();
  // Signalled when a caller has connected.
  HANDLE event() const { return event_; }
  // After event() fired: the caller's bytes, read until it closes its end
  // (at most readTimeoutMs), and a fresh listening instance.
  std::optional<std::string> takeMessage(DWORD readTimeoutMs);

 private:
  void closeInstance();
  static std::string readAll(HANDLE pipe, DWORD timeoutMs);

  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE event_ = nullptr;
  OVERLAPPED connect_{};
};

}  // namespace fake_client
