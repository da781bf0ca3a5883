#pragma once
// One unpacking of the update package into the install target, as the forced
// install step retries it: create the target folder, pause, open and check
// the package once, extract from that open package.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_system.h"

// Unpacks the open package under the folder (wide path), reading the archive
// through that handle only. Returns 0 when every entry was written, otherwise
// the zip result code of the first failure (ExtractZipToDir's contract).
using ExtractZipFunction = std::function<int(platform::File& package, const std::wstring& folder)>;

// Opens the package once and checks it on that handle (see
// verified_package.h); a closed file, with `why` filled, when it must not be
// installed.
using PackageOpener = std::function<platform::File(const std::filesystem::path& package, std::string& why)>;

class ZipInstaller {
 public:
  // Paths stay wide all the way to the extraction: a folder named outside the
  // ANSI code page is still the folder meant. `pauseMs` is the pause between
  // creating the folder and extracting, made with `sleep` (the thread's own
  // sleep when empty).
  ZipInstaller(std::filesystem::path packagePath, std::filesystem::path targetFolder, PackageOpener open,
               ExtractZipFunction extract, std::uint32_t pauseMs = 500,
               std::function<void(std::uint32_t)> sleep = nullptr);

  // True when the target folder exists or was created and the package was
  // opened and checked for the extraction; false when the folder could not
  // be created (nothing extracted). Whether the extraction wrote every entry
  // is told by lastExtractResult(); a package refused by its check gives
  // kPackageRefused there, and nothing is extracted.
  bool TryInstall();
  static constexpr int kPackageRefused = -2;

  // The extraction's result of the last TryInstall that got that far; -1
  // before any extraction ran.
  int lastExtractResult() const { return lastExtractResult_; }
  const std::filesystem::path& packagePath() const { return packagePath_; }
  const std::filesystem::path& targetFolder() const { return targetFolder_; }

 private:
  std::filesystem::path packagePath_;
  std::filesystem::path targetFolder_;
  PackageOpener open_;
  ExtractZipFunction extract_;
  std::uint32_t pauseMs_;
  std::function<void(std::uint32_t)> sleep_;
  int lastExtractResult_ = -1;
};
