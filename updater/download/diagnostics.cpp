#include "updater/download/diagnostics.h"

#include <cstdio>
#include <mutex>

#include "platform/never_destroyed.h"

void PrintDiagnostic(const std::string& line) {
  static platform::NeverDestroyed<std::mutex> mutex;
  std::lock_guard<std::mutex> lock(mutex.get());
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}
