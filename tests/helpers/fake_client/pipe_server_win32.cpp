#include "pipe_server_win32.h"

#include <utility>

namespace fake_client {

namespace {

const wchar_t kPipeName[] = L"\\\\.\\Pipe\\VEZIDA_zvk";
constexpr DWORD kBufferBytes = 65536;

}  // namespace

PipeServer::PipeServer() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PipeServer::~PipeServer() {
  closeInstance();
  if (event_ != nullptr) CloseHandle(event_);
}

void PipeServer::closeInstance() {
  if (pipe_ == INVALID_HANDLE_VALUE) return;
  CancelIo(pipe_);
  CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
}

bool PipeServer::listen() {
  closeInstance();
  ResetEvent(event_);
  pipe_ = CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                           PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                           kBufferBytes, kBufferBytes, 0, nullptr);
  if (pipe_ == INVALID_HANDLE_VALUE) return false;
  connect_ = OVERLAPPED{};
  connect_.hEvent = event_;
  if (ConnectNamedPipe(pipe_, &connect_)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_PIPE_CONNECTED) {
    SetEvent(event_);
    return true;
  }
  return error == ERROR_IO_PENDING;
}

std::string PipeServer::readAll(HANDLE pipe, DWORD timeoutMs) {
  std::string bytes;
  HANDLE readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const DWORD start = GetTickCount();
  char buffer[4096];
  for (;;) {
    OVERLAPPED read{};
    read.hEvent = readEvent;
    DWORD got = 0;
    BOOL done = ReadFile(pipe, buffer, sizeof buffer, &got, &read);
    if (!done && GetLastError() == ERROR_IO_PENDING) {
      const DWORD elapsed = GetTickCount() - start;
      const DWORD wait = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
      if (WaitForSingleObject(readEvent, wait) != WAIT_OBJECT_0) CancelIo(pipe);
      done = GetOverlappedResult(pipe, &read, &got, TRUE);
    }
    if (!done || got == 0) break;
    bytes.append(buffer, got);
  }
  CloseHandle(readEvent);
  return bytes;
}

std::optional<std::string> PipeServer::takeMessage(DWORD readTimeoutMs) {
  DWORD ignored = 0;
  const bool connected = GetOverlappedResult(pipe_, &connect_, &ignored, FALSE) != FALSE ||
                         GetLastError() == ERROR_PIPE_CONNECTED;
  // The next caller finds a listening instance while this one is read.
  const HANDLE caller = std::exchange(pipe_, INVALID_HANDLE_VALUE);
  listen();
  std::optional<std::string> message;
  if (connected) message = readAll(caller, readTimeoutMs);
  DisconnectNamedPipe(caller);
  CloseHandle(caller);
  return message;
}

}  // namespace fake_client
