#pragma once
// One unpacking of the update package into the install target, as the forced
// install step retries it: create the target folder, pause, extract.

#include <cstdint>
#include <functional>
#include <string>

// Unpacks the package (wide path) under the folder (wide path). Returns 0 when
// every entry was written, otherwise the zip result code of the first failure
// (ExtractZipToDir's contract).
using ExtractZipFunction = std::function<int(const std::wstring& package, const std::wstring& folder)>;

class ZipInstaller {
 public:
  // Paths are narrow in the ANSI code page, as the install step holds them.
  // `pauseMs` is the pause between creating the folder and extracting, made
  // with `sleep` (the thread's own sleep when empty).
  ZipInstaller(std::string packagePath, std::string targetFolder, ExtractZipFunction extract,
               std::uint32_t pauseMs = 500, std::function<void(std::uint32_t)> sleep = nullptr);

  // True when the target folder exists or was created and the extraction was
  // called; false when the folder could not be created (nothing extracted).
  // Whether the extraction wrote every entry is told by lastExtractResult().
  bool TryInstall();

  // The extraction's result of the last TryInstall that got that far; -1
  // before any extraction ran.
  int lastExtractResult() const { return lastExtractResult_; }
  const std::string& packagePath() const { return packagePath_; }
  const std::string& targetFolder() const { return targetFolder_; }

 private:
  std::string packagePath_;
  std::string targetFolder_;
  ExtractZipFunction extract_;
  std::uint32_t pauseMs_;
  std::function<void(std::uint32_t)> sleep_;
  int lastExtractResult_ = -1;
};
