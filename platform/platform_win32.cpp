#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "platform/session_filter.h"

namespace platform {

std::wstring ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring ModuleDirectory() {
  const std::wstring path = ModulePath();
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::uint32_t TickCount() { return GetTickCount(); }

void SleepMs(std::uint32_t milliseconds) { Sleep(milliseconds); }

void SystemDebugOutput(const char* text) { OutputDebugStringA(text); }

}  // namespace platform

namespace platform {

SessionFilter OwnSessionFilter() {
  return SessionFilter(GetCurrentProcessId(), [](unsigned long processId) -> std::optional<unsigned long> {
    DWORD session = 0;
    if (!ProcessIdToSessionId(processId, &session)) return std::nullopt;
    return session;
  });
}

}  // namespace platform
