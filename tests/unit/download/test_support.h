#pragma once
// Shared pieces of the download engine's tests: a private updater folder with
// short watchdog periods, packages with known digests, file helpers.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "updater/download/download_session.h"
#include "updater/download/engine_settings.h"

namespace download_test {

std::string MakePackage(std::size_t size, unsigned seed = 1);
std::string Md5Of(const std::string& data);
std::string ReadWholeFile(const std::filesystem::path& path);
// Digest of a file's bytes; compared instead of the bytes so that a failure
// does not print a whole package.
std::string FileDigest(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& data);

// Polls condition until it holds or timeoutMs passes.
bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs);

// Each test gets a fresh updater folder and short watchdog periods; the
// folder and the engine's threads are gone when the test ends.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path File(const std::string& name) const { return folder_ / name; }
  // Names of the files left in the updater folder, sorted.
  std::vector<std::string> FolderListing() const;

  std::filesystem::path folder_;
};

}  // namespace download_test
