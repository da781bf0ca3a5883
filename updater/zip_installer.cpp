#include "updater/zip_installer.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/platform.h"
#include "platform/string_convert.h"
#include "updater/zip_conf.h"

namespace {

// create_directories reports an existing folder as "nothing created" without
// an error, and refuses an empty path; both cases are what we want.
bool EnsureFolder(const std::string& folder) {
  const std::wstring wide = AnsiToWide(folder);
  if (wide.empty()) return false;
  std::error_code error;
  const std::filesystem::path path = PathFromWide(wide);
  std::filesystem::create_directories(path, error);
  if (error) return false;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

ZipInstaller::ZipInstaller(std::string packagePath, std::string targetFolder, ExtractZipFunction extract,
                           std::uint32_t pauseMs, std::function<void(std::uint32_t)> sleep)
    : packagePath_(std::move(packagePath)),
      targetFolder_(std::move(targetFolder)),
      extract_(std::move(extract)),
      pauseMs_(pauseMs),
      sleep_(std::move(sleep)) {}

bool ZipInstaller::TryInstall() {
  if (!EnsureFolder(targetFolder_)) return false;
  if (sleep_) {
    sleep_(pauseMs_);
  } else {
    platform::SleepMs(pauseMs_);
  }
  lastExtractResult_ = extract_ ? extract_(AnsiToWide(packagePath_), AnsiToWide(targetFolder_)) : -1;
  return true;
}
