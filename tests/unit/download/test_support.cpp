#include "tests/unit/download/test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "updater/download/md5.h"

namespace download_test {

std::string MakePackage(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random() & 0xff);
  return data;
}

std::string Md5Of(const std::string& data) {
  MD5_CTX context;
  context.Update(data.data(), data.size());
  std::uint8_t digest[16];
  context.Final(digest);
  return MD5_CTX::ToHex(digest);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string FileDigest(const std::filesystem::path& path) { return Md5Of(ReadWholeFile(path)); }

void WriteWholeFile(const std::filesystem::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void EngineTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = std::filesystem::temp_directory_path() /
            ("zvk-download-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder_);
  std::string folder = folder_.string();
  folder += std::filesystem::path::preferred_separator;
  download::SetUpdaterFolder(folder);
  download::WatchdogTiming timing;
  timing.startPollMs = 200;
  timing.startPolls = 5;
  timing.stallMs = 1000;
  download::SetWatchdogTiming(timing);
  download::SetProbeLimit(3000);
  download::SetThreadFactory(nullptr);
}

void EngineTest::TearDown() {
  EXPECT_TRUE(engine_threads::WaitUntilNoneRun(10000)) << "engine threads still running";
  download::SetThreadFactory(nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> EngineTest::FolderListing() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace download_test
