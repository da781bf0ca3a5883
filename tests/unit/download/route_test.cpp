// The route of an attempt: a lookup that hangs, and URLs unfit for a request line.
#include <gtest/gtest.h>

#include <future>

#include "platform/platform.h"
#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/download_status.h"
#include "updater/download/http_download.h"

namespace {

using package_server::PackageServer;

class Route : public download_test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    platform::SetDebugOutputSink([this](const char* text) {
      std::lock_guard<std::mutex> lock(logMutex_);
      log_ += text;
    });
  }
  void TearDown() override {
    held_ = false;
    EXPECT_TRUE(download_test::WaitFor([this] { return waiting_ == 0; }, 5000));
    download::SetRouteLookup(nullptr, 30000);
    platform::SetDebugOutputSink(nullptr);
    EngineTest::TearDown();
  }
  download::RouteFinder HeldFinder() {
    return [this](const ServerAddress&, const std::string&) {
      for (++waiting_; held_;) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      --waiting_;
      return RouteDecision{};
    };
  }
  std::string Log() {
    std::lock_guard<std::mutex> lock(logMutex_);
    return log_;
  }

  std::atomic<bool> held_{true};
  std::atomic<int> waiting_{0};
  std::mutex logMutex_;
  std::string log_;
};

TEST_F(Route, ALookupThatHangsIsLeftBehindByAStopAndBoundedOtherwise) {
  const std::string package = download_test::MakePackage(5000);
  PackageServer server(package);
  DownloadStatus status;
  status.expectedMd5 = download_test::Md5Of(package);
  std::string host = server.hostText(), path = "/u.zip";
  download::SetRouteLookup(HeldFinder(), 60000);
  const auto session = std::make_shared<DownloadSession>();
  auto stopped =
      std::async(std::launch::async, [&] { return CHttpDownload::RunAttempt(*session, host, path, status); });
  // Released before the attempt is waited for, should an assertion end the test here.
  const std::shared_ptr<void> releaseFirst(nullptr, [this](void*) { held_ = false; });
  ASSERT_TRUE(download_test::WaitFor([this] { return waiting_ == 1; }, 5000));
  session->Stop();
  ASSERT_EQ(stopped.wait_for(std::chrono::milliseconds(200)), std::future_status::ready);
  EXPECT_EQ(stopped.get(), CHttpDownload::kStopped);

  // Past the limit the attempt fails; the next one waits for the same
  // lookup rather than starting another, and goes on once it answers.
  download::SetRouteLookup(HeldFinder(), 300);
  CHttpDownload http;
  EXPECT_EQ(http.Download(host, path, status), CHttpDownload::kNoSize);
  EXPECT_EQ(waiting_, 1);
  held_ = false;
  EXPECT_EQ(http.Download(host, path, status), CHttpDownload::kSuccess);
  EXPECT_NE(Log().find("still give no answer to an earlier attempt after 1 s"), std::string::npos) << Log();
}

TEST_F(Route, PackageUrlsThatCannotGoIntoARequestLineAreRefusedBeforeAnyConnection) {
  PackageServer server(download_test::MakePackage(100));
  const std::string at = server.hostText();
  const std::pair<std::string, std::string> cases[] = {{at, "/u.zip\r\nX-Injected: 1"},
                                                       {at, "/a b.zip"},
                                                       {"https://" + at + "\r\nX-Injected: 1", "/u.zip"},
                                                       {"user:secret@" + at, "/u.zip"},
                                                       {"127.0.0.1:99999", "/"},
                                                       {at, ""}};
  for (auto [host, path] : cases) {
    DownloadStatus status;
    const std::size_t logged = Log().size();
    EXPECT_EQ(CHttpDownload().Download(host, path, status), CHttpDownload::kNoSize) << host << path;
    EXPECT_NE(Log().find("package URL is not usable", logged), std::string::npos) << host << path;
  }
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_EQ(Log().find("secret"), std::string::npos) << Log();
}

}  // namespace
