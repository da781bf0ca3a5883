// zvkclient.exe, the stand-in for the Client in tests and in the demo. It
// records how it was started and every pipe message in zvkclient_record.txt
// beside itself, owns a top-level window of class "vellacast", and ends on
// WM_CLOSE, when terminated, or by itself when its lifetime is over.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "client_record.h"
#include "pipe_server_win32.h"
#include "platform/string_convert.h"

namespace {

constexpr DWORD kDefaultLifetimeMs = 60000;
constexpr DWORD kPipeReadTimeoutMs = 5000;

std::wstring RecordPath() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring directory(path, length);
  directory.erase(directory.find_last_of(L"\\/") + 1);
  const std::string name = fake_client::kRecordFileName;
  return directory + std::wstring(name.begin(), name.end());
}

void Record(const std::string& kind, const std::string& bytes) {
  const std::string line = fake_client::FormatRecordLine(GetCurrentProcessId(), kind, bytes);
  HANDLE file = CreateFileW(RecordPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// The parameters as a Windows program sees them: the command line after the
// program token and the blanks that follow it.
std::wstring ParametersOf(const std::wstring& commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const auto close = commandLine.find(L'"', 1);
    i = close == std::wstring::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
  }
  while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
  return commandLine.substr(i);
}

struct Options {
  DWORD lifetimeMs = kDefaultLifetimeMs;
  bool servePipe = true;
};

Options ReadOptions(const std::wstring& parameters) {
  Options options;
  if (const char* lifetime = std::getenv("ZVK_FAKE_CLIENT_LIFETIME_MS")) {
    options.lifetimeMs = static_cast<DWORD>(std::strtoul(lifetime, nullptr, 10));
  }
  const std::wstring lifetimeSwitch = L"--zvk-lifetime=";
  const auto at = parameters.find(lifetimeSwitch);
  if (at != std::wstring::npos) {
    options.lifetimeMs =
        static_cast<DWORD>(std::wcstoul(parameters.c_str() + at + lifetimeSwitch.size(), nullptr, 10));
  }
  options.servePipe = parameters.find(L"--zvk-no-pipe") == std::wstring::npos;
  return options;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Record("exit", "close");
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND CreateClientWindow(HINSTANCE instance) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"vellacast";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"vellacast", L"Vellacast (test Client)", WS_OVERLAPPEDWINDOW, 40, 40, 360,
                                200, nullptr, nullptr, instance, nullptr);
  if (window != nullptr) ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

void RecordStart(const std::wstring& parameters) {
  Record("start", std::to_string(GetCurrentProcessId()));
  Record("cmdline", platform::WideToUtf8(GetCommandLineW()));
  Record("args", platform::WideToUtf8(parameters));
  wchar_t directory[MAX_PATH * 4] = {};
  Record("cwd", platform::WideToUtf8(std::wstring(directory, GetCurrentDirectoryW(MAX_PATH * 4, directory))));
}

// Runs until WM_QUIT or the deadline; returns the exit code.
int RunLoop(fake_client::PipeServer* server, DWORD lifetimeMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= lifetimeMs) {
      Record("exit", "lifetime");
      return 0;
    }
    HANDLE handles[1] = {server != nullptr ? server->event() : nullptr};
    const DWORD count = server != nullptr ? 1 : 0;
    const DWORD woke = MsgWaitForMultipleObjects(count, handles, FALSE, lifetimeMs - elapsed, QS_ALLINPUT);
    if (count == 1 && woke == WAIT_OBJECT_0) {
      if (auto message = server->takeMessage(kPipeReadTimeoutMs)) Record("pipe", *message);
      continue;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::wstring parameters = ParametersOf(GetCommandLineW());
  const Options options = ReadOptions(parameters);
  RecordStart(parameters);
  if (CreateClientWindow(instance) == nullptr) {
    Record("exit", "no window");
    return 2;
  }
  fake_client::PipeServer server;
  if (options.servePipe && !server.listen()) Record("pipe-error", std::to_string(GetLastError()));
  Record("ready", options.servePipe ? "pipe" : "no pipe");
  return RunLoop(options.servePipe ? &server : nullptr, options.lifetimeMs);
}
