#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/session_filter.h"

namespace platform {

std::wstring ModulePath() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return std::wstring();
  return std::wstring(buffer.begin(), buffer.begin() + length);
}

std::wstring ModuleDirectory() {
  const std::wstring path = ModulePath();
  const auto slash = path.find_last_of(L'/');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::uint32_t TickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SleepMs(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// There is no debugger output natively; tests replace the sink to read it.
void SystemDebugOutput(const char*) {}

}  // namespace platform

namespace platform {

SessionFilter OwnSessionFilter() {
  return SessionFilter(static_cast<unsigned long>(getpid()),
                       [](unsigned long processId) -> std::optional<unsigned long> {
                         const pid_t session = getsid(static_cast<pid_t>(processId));
                         if (session < 0) return std::nullopt;
                         return static_cast<unsigned long>(session);
                       });
}

}  // namespace platform
