#include "updater/zip_installer.h"

#include <system_error>
#include <utility>

#include "logging/n_log.h"
#include "platform/platform.h"
#include "updater/zip_conf.h"

namespace {

// create_directories reports an existing folder as "nothing created" without
// an error, and refuses an empty path; both cases are what we want.
bool EnsureFolder(const std::filesystem::path& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  return std::filesystem::is_directory(folder, error);
}

}  // namespace

ZipInstaller::ZipInstaller(std::filesystem::path packagePath, std::filesystem::path targetFolder,
                           PackageOpener open, ExtractZipFunction extract, std::uint32_t pauseMs,
                           std::function<void(std::uint32_t)> sleep)
    : packagePath_(std::move(packagePath)),
      targetFolder_(std::move(targetFolder)),
      open_(std::move(open)),
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
  // What is extracted is read from the handle its checks were made on: a
  // package changed after its download was checked is refused here, and
  // nobody can change it while it stays open.
  std::string why = "no package check";
  platform::File package = open_ ? open_(packagePath_, why) : platform::File();
  if (!package.isOpen()) {
    ZM_ERROR << "update package not installed: " << why;
    lastExtractResult_ = kPackageRefused;
    return true;
  }
  lastExtractResult_ = extract_ ? extract_(package, WideFromPath(targetFolder_)) : -1;
  return true;
}
