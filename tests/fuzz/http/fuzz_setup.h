#pragma once
// Common start-up of the HTTP fuzz targets: the engine's diagnostics are
// silenced and a 416 answer deletes update.td in a private folder only.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "updater/download/engine_settings.h"

inline std::filesystem::path HttpFuzzingFolder() {
  return std::filesystem::temp_directory_path() / ("zvk-fuzz-http-" + std::to_string(getpid()));
}

inline void SetUpHttpFuzzing() {
  std::freopen("/dev/null", "w", stdout);
  std::filesystem::create_directories(HttpFuzzingFolder());
  download::SetUpdaterFolder(HttpFuzzingFolder().string() + "/");
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(HttpFuzzingFolder(), ignored);
  });
}
