#include "updater/download/diagnostics.h"

#include <cstdio>
#include <mutex>

void PrintDiagnostic(const std::string& line) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}
