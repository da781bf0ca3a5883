// The download engine on Windows (run under Wine): Winsock through Asio,
// backslash paths, and the worker polled as the updater window polls it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/platform.h"
#include "platform/string_convert.h"
#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/downloader.h"
#include "updater/download/engine_settings.h"

namespace {

using download_test::FileDigest;
using download_test::MakePackage;
using download_test::Md5Of;

class SmokeDownloader : public Downloader {
 public:
  SmokeDownloader(const std::string& md5, const std::string& host)
      : Downloader("http://" + host + "/pkg/u.zip", md5, host, "/pkg/u.zip", false) {}
  void DoInstall() override {}
};

TEST(DownloadOnWindows, UpdaterFilesLiveInTheModulesFolder) {
  download::UseModuleDirectoryAsUpdaterFolder();
  const std::wstring folder = platform::ModuleDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_EQ(download::UpdaterFile("update.td").wstring(), folder + L"update.td");
}

class DownloadSmoke : public download_test::EngineTest {};

TEST_F(DownloadSmoke, WorkerPolledLikeTheWindowEndsWithAVerifiedPackage) {
  const std::string package = MakePackage(600000, 21);
  package_server::ServerOptions paced;
  paced.bytesPerSecond = 400000;
  package_server::PackageServer server(package, paced);
  auto worker = std::make_shared<SmokeDownloader>(Md5Of(package), server.hostText());
  worker->Start();
  std::int64_t lastPercent = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!worker->finished && std::chrono::steady_clock::now() < deadline) {
    const DownloadStatus copy = worker->status;
    const std::int64_t percent = DownloadPercent(copy);
    EXPECT_GE(percent, lastPercent);
    EXPECT_LE(percent, 100);
    lastPercent = percent;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(worker->finished, 1);
  EXPECT_GT(lastPercent, 0);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  worker.reset();
  EXPECT_EQ(FolderListing(), std::vector<std::string>{"update.zip"});
}

TEST_F(DownloadSmoke, DestroyedWorkerReleasesItsSocketsAndFilesAtOnce) {
  const std::string package = MakePackage(600000, 22);
  package_server::ServerOptions slow;
  slow.bytesPerSecond = 100000;
  package_server::PackageServer server(package, slow);
  auto worker = std::make_shared<SmokeDownloader>(Md5Of(package), server.hostText());
  worker->Start();
  ASSERT_TRUE(download_test::WaitFor([&] { return worker->status.downloadedSize > 20000; }, 20000));
  worker.reset();
  ASSERT_TRUE(engine_threads::WaitUntilNoneRun(3000));
  // Windows refuses to delete a file that is still open: the segment files
  // must have been closed by the stopped transfers.
  for (int i = 0; i < 4; ++i) {
    const auto segment = File("update.td" + std::to_string(i));
    if (std::filesystem::exists(segment)) {
      EXPECT_TRUE(std::filesystem::remove(segment)) << i;
    }
  }
}

}  // namespace
