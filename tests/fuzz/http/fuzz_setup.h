#pragma once
// Common start-up of the HTTP fuzz targets: the engine's diagnostics are
// silenced and a 416 answer deletes update.td in a private folder only.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "updater/download/engine_settings.h"

inline void SetUpHttpFuzzing() {
  std::freopen("/dev/null", "w", stdout);
  const auto folder = std::filesystem::temp_directory_path() / ("zvk-fuzz-http-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  download::SetUpdaterFolder(folder.string() + "/");
}
