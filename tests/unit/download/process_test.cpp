// Whole downloads across process boundaries: a download killed with SIGKILL
// and resumed by a new process, and downloads from nginx as the real server.
#include <gtest/gtest.h>
#include <signal.h>

#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/child_process.h"
#include "tests/unit/download/nginx_process.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/downloader.h"

namespace {

using download_test::ChildProcess;
using download_test::FileDigest;
using download_test::MakePackage;
using download_test::Md5Of;
using download_test::WaitFor;

std::uintmax_t SegmentBytes(const std::filesystem::path& folder) {
  std::uintmax_t total = 0;
  for (int i = 0; i < 4; ++i) {
    std::error_code error;
    const auto size = std::filesystem::file_size(folder / ("update.td" + std::to_string(i)), error);
    if (!error) total += size;
  }
  return total;
}

class Process : public download_test::EngineTest {
 protected:
  std::vector<std::string> CliArguments(const std::string& host, const std::string& md5) const {
    return {"--url", "http://" + host + "/u.zip", "--md5", md5, "--folder", folder_.string()};
  }
};

TEST_F(Process, DownloadKilledWithSigkillIsCompletedByTheNextRun) {
  const std::string package = MakePackage(1200000, 5);
  package_server::ServerOptions slow;
  slow.bytesPerSecond = 150000;
  package_server::PackageServer throttled(package, slow);
  {
    ChildProcess first(DOWNLOAD_CLI_PATH, CliArguments(throttled.hostText(), Md5Of(package)),
                       (folder_ / "first.log").string());
    ASSERT_TRUE(first.running());
    ASSERT_TRUE(WaitFor([&] { return SegmentBytes(folder_) > 200000; }, 20000));
    const int status = first.Kill(SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(status));
  }
  const std::uintmax_t kept = SegmentBytes(folder_);
  EXPECT_GT(kept, 200000u);
  EXPECT_LT(kept, package.size());
  EXPECT_FALSE(std::filesystem::exists(File("update.zip")));

  package_server::PackageServer fast(package);
  ChildProcess second(DOWNLOAD_CLI_PATH, CliArguments(fast.hostText(), Md5Of(package)),
                      (folder_ / "second.log").string());
  EXPECT_EQ(second.Wait(60000), 0);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(std::filesystem::exists(File("update.td" + std::to_string(i))));
  bool resumed = false;
  for (const auto& request : fast.Requests()) resumed = resumed || (request.rangeOffset % 300000) != 0;
  EXPECT_TRUE(resumed);
}

class NginxDownload : public download_test::EngineTest {
 protected:
  void DownloadFrom(const std::string& limitRate) {
    const std::string package = MakePackage(3 * 1024 * 1024 + 77, 11);
    const auto serverDir = folder_.parent_path() / (folder_.filename().string() + "-nginx");
    {
      download_test::NginxProcess nginx(serverDir, package, limitRate);
      ASSERT_TRUE(nginx.Ready());
      auto worker = std::make_shared<Worker>(Md5Of(package), nginx.HostText());
      worker->Start();
      ASSERT_TRUE(WaitFor([&] { return worker->Idle(); }, 60000));
      EXPECT_EQ(worker->finished, 1);
    }
    std::filesystem::remove_all(serverDir);
    EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
    EXPECT_EQ(FolderListing(), std::vector<std::string>{"update.zip"});
  }

  class Worker : public Downloader {
   public:
    Worker(const std::string& md5, const std::string& host)
        : Downloader("http://" + host + "/u.zip", md5, host, "/u.zip", false) {}
    void DoInstall() override {}
  };
};

TEST_F(NginxDownload, RangedDownloadFromNginxIsVerified) { DownloadFrom(""); }

TEST_F(NginxDownload, ThrottledRangedDownloadFromNginxIsVerified) { DownloadFrom("2m"); }

}  // namespace
