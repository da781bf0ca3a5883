// The download worker: attempt loop, callbacks, stopping and resumption.
#include "updater/download/downloader.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <thread>

#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/test_support.h"

namespace {

using download_test::FileDigest;
using download_test::MakePackage;
using download_test::Md5Of;
using download_test::WaitFor;
using package_server::Behaviour;
using package_server::PackageServer;

class TestDownloader : public Downloader {
 public:
  TestDownloader(const std::string& md5, const std::string& host, bool forced = false)
      : Downloader("http://" + host + "/u.zip", md5, host, "/u.zip", forced) {}
  void DoInstall() override {}
};

// What the worker reported, in order, as text: "retry 0", "fail", "shutdown".
class Recorder {
 public:
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
  }
  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  void Connect(Downloader& worker) {
    worker.retryCallback = [this](unsigned int attempt) { Add("retry " + std::to_string(attempt)); };
    worker.failCallback = [this] { Add("fail"); };
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

class Worker : public download_test::EngineTest {
 protected:
  static bool WaitIdle(const Downloader& worker) {
    return WaitFor([&] { return worker.Idle(); }, 20000);
  }
};

std::vector<std::string> Retries(unsigned count) {
  std::vector<std::string> events;
  for (unsigned i = 0; i < count; ++i) events.push_back("retry " + std::to_string(i));
  return events;
}

TEST_F(Worker, TenFailuresReportZeroToNineThenFailOnce) {
  PackageServer server(MakePackage(100));
  server.SetDefaultBehaviour(Behaviour::kGarbage);
  Recorder recorder;
  auto worker = std::make_shared<TestDownloader>(Md5Of(MakePackage(100)), server.hostText());
  recorder.Connect(*worker);
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  std::vector<std::string> expected = Retries(10);
  expected.push_back("fail");
  EXPECT_EQ(recorder.Events(), expected);
  EXPECT_EQ(worker->finished, 0);
  EXPECT_EQ(server.RequestCount(), 10u);
}

TEST_F(Worker, SuccessAtTheThirdAttemptSetsFinishedAfterTwoRetries) {
  const std::string package = MakePackage(5000);
  PackageServer server(package);
  server.Script({Behaviour::kGarbage, Behaviour::kRangeNotSatisfiable});
  Recorder recorder;
  auto worker = std::make_shared<TestDownloader>(Md5Of(package), server.hostText());
  recorder.Connect(*worker);
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  EXPECT_EQ(recorder.Events(), Retries(2));
  EXPECT_EQ(worker->finished, 1);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  const DownloadStatus copy = worker->status;
  EXPECT_EQ(copy.totalSize, 5000);
}

TEST_F(Worker, RedirectionCostsNoAttemptAndTheNextAttemptGoesToTheNewPlace) {
  const std::string package = MakePackage(5000);
  PackageServer target(package);
  PackageServer first(package);
  first.SetLocation("http://" + target.hostText() + "/moved/u.zip");
  first.SetDefaultBehaviour(Behaviour::kRedirect);
  Recorder recorder;
  auto worker = std::make_shared<TestDownloader>(Md5Of(package), first.hostText());
  recorder.Connect(*worker);
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  EXPECT_TRUE(recorder.Events().empty());
  EXPECT_EQ(worker->finished, 1);
  EXPECT_EQ(first.RequestCount(), 1u);
  EXPECT_EQ(target.Requests().at(0).path, "/moved/u.zip");
}

TEST_F(Worker, EndlessRedirectionsCountAsFailedAttemptsAfterTenInARow) {
  PackageServer server(MakePackage(100));
  server.SetLocation("http://" + server.hostText() + "/again");
  server.SetDefaultBehaviour(Behaviour::kRedirect);
  Recorder recorder;
  auto worker = std::make_shared<TestDownloader>("0", server.hostText());
  recorder.Connect(*worker);
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  std::vector<std::string> expected = Retries(10);
  expected.push_back("fail");
  EXPECT_EQ(recorder.Events(), expected);
  EXPECT_EQ(server.RequestCount(), 20u);
}

TEST_F(Worker, ForcedModeShutsTheClientDownBeforeTheFirstRequest) {
  const std::string package = MakePackage(1000);
  PackageServer server(package);
  auto worker = std::make_shared<TestDownloader>(Md5Of(package), server.hostText(), true);
  std::size_t requestsAtShutdown = 99;
  worker->clientShutdown = [&] { requestsAtShutdown = server.RequestCount(); };
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  EXPECT_EQ(requestsAtShutdown, 0u);
  EXPECT_EQ(worker->finished, 1);
}

TEST_F(Worker, NormalModeLeavesTheClientAlone) {
  const std::string package = MakePackage(1000);
  PackageServer server(package);
  auto worker = std::make_shared<TestDownloader>(Md5Of(package), server.hostText(), false);
  bool called = false;
  worker->clientShutdown = [&] { called = true; };
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  EXPECT_FALSE(called);
}

TEST_F(Worker, StartTwiceRunsOneDownload) {
  const std::string package = MakePackage(1000);
  PackageServer server(package);
  auto worker = std::make_shared<TestDownloader>(Md5Of(package), server.hostText());
  worker->Start();
  const std::uint32_t id = worker->threadId();
  worker->Start();
  EXPECT_EQ(worker->threadId(), id);
  ASSERT_TRUE(WaitFor([&] { return worker->finished == 1; }, 20000));
  ASSERT_TRUE(engine_threads::WaitUntilNoneRun(10000));
  EXPECT_EQ(server.RequestCount(), 5u);
}

TEST_F(Worker, OldPackageIsDeletedAtTheStartOfEveryRun) {
  download_test::WriteWholeFile(File("update.zip"), "complete but old");
  PackageServer server(MakePackage(100));
  server.SetDefaultBehaviour(Behaviour::kGarbage);
  auto worker = std::make_shared<TestDownloader>("0", server.hostText());
  worker->Start();
  ASSERT_TRUE(WaitIdle(*worker));
  EXPECT_FALSE(std::filesystem::exists(File("update.zip")));
}

TEST_F(Worker, DestroyingTheWorkerMidTransferStopsAtOnceAndANewWorkerResumes) {
  const std::string package = MakePackage(400000, 9);
  package_server::ServerOptions slow;
  slow.bytesPerSecond = 100000;
  PackageServer server(package, slow);
  Recorder recorder;
  auto worker = std::make_shared<TestDownloader>(Md5Of(package), server.hostText());
  recorder.Connect(*worker);
  worker->Start();
  ASSERT_TRUE(WaitFor([&] { return worker->status.downloadedSize > 40000; }, 20000));
  const auto start = std::chrono::steady_clock::now();
  worker.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  ASSERT_TRUE(engine_threads::WaitUntilNoneRun(2000)) << "threads did not end after the stop";
  EXPECT_TRUE(recorder.Events().empty());
  EXPECT_FALSE(std::filesystem::exists(File("update.td")));
  std::uintmax_t kept = 0;
  for (int i = 0; i < 4; ++i) {
    const auto segment = File("update.td" + std::to_string(i));
    if (std::filesystem::exists(segment)) kept += std::filesystem::file_size(segment);
  }
  EXPECT_GT(kept, 0u);

  const std::size_t requestsBefore = server.RequestCount();
  package_server::PackageServer fast(package);
  auto second = std::make_shared<TestDownloader>(Md5Of(package), fast.hostText());
  second->Start();
  ASSERT_TRUE(WaitIdle(*second));
  EXPECT_EQ(second->finished, 1);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  EXPECT_EQ(FolderListing(), std::vector<std::string>{"update.zip"});
  bool resumed = false;
  for (const auto& request : fast.Requests()) resumed = resumed || (request.rangeOffset % 100000) != 0;
  EXPECT_TRUE(resumed) << "some segment must continue from its file";
  EXPECT_EQ(server.RequestCount(), requestsBefore);
}

TEST_F(Worker, DestroyingTheWorkerInsideACallbackDoesNotWaitForIt) {
  PackageServer server(MakePackage(100));
  server.SetDefaultBehaviour(Behaviour::kGarbage);
  auto worker = std::make_shared<TestDownloader>("0", server.hostText());
  std::mutex modal;
  std::unique_lock<std::mutex> boxIsUp(modal);
  std::atomic<int> retries{0};
  worker->retryCallback = [&](unsigned int) {
    ++retries;
    std::lock_guard<std::mutex> waitForUser(modal);
  };
  worker->Start();
  ASSERT_TRUE(WaitFor([&] { return retries == 1; }, 5000));
  const auto start = std::chrono::steady_clock::now();
  worker.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  boxIsUp.unlock();
  ASSERT_TRUE(engine_threads::WaitUntilNoneRun(5000));
  EXPECT_EQ(retries, 1) << "no callback after the worker was destroyed";
}

}  // namespace

// A package fetched in place of the run's own (the full package a delta
// names) is checked against what names it, is followed by no other, and
// restarts the progress.
TEST_F(Worker, PackageFetchedInsteadIsCheckedAndNeverFollowedByAnother) {
  const std::string delta = MakePackage(3000, 1);
  const std::string full = MakePackage(9000, 2);
  struct Case {
    const char* what;
    std::function<void(release::FullPackageRef&)> spoil;
    PackageFollowUp::Step secondStep;
    bool finished;
    unsigned fullRequests;  // the full package's server: 5 per attempt, 1 for a size refused at its probe
    std::vector<std::string> events;
  };
  std::vector<std::string> tenFailures = Retries(10);
  tenFailures.insert(tenFailures.begin(), "restart");
  tenFailures.push_back("fail");
  const Case cases[] = {
      {"named right", [](release::FullPackageRef&) {}, PackageFollowUp::Step::Keep, true, 5, {"restart"}},
      {"another SHA-256", [](release::FullPackageRef& ref) { ref.sha256[0] ^= 1; },
       PackageFollowUp::Step::Keep, false, 50, tenFailures},
      {"another size", [](release::FullPackageRef& ref) { ref.size += 1; }, PackageFollowUp::Step::Keep,
       false, 10, tenFailures},
      {"another fallback asked for",
       [](release::FullPackageRef&) {},
       PackageFollowUp::Step::FetchInstead,
       false,
       5,
       {"restart", "fail"}},
  };
  for (const Case& c : cases) {
    PackageServer deltaServer(delta);
    PackageServer fullServer(full);
    release::FullPackageRef named{full.size(), Md5Of(full), release::Sha256Of(full.data(), full.size()),
                                  "http://" + fullServer.hostText() + "/full.zip"};
    c.spoil(named);
    Recorder recorder;
    auto worker = std::make_shared<TestDownloader>(Md5Of(delta), deltaServer.hostText());
    recorder.Connect(*worker);
    worker->restartCallback = [&recorder] { recorder.Add("restart"); };
    worker->packageCheck = [&c, named](const release::FullPackageRef* fetched) {
      PackageFollowUp followUp{fetched ? c.secondStep : PackageFollowUp::Step::FetchInstead, named};
      return followUp;
    };
    worker->Start();
    ASSERT_TRUE(WaitIdle(*worker)) << c.what;
    EXPECT_EQ(recorder.Events(), c.events) << c.what;
    EXPECT_EQ(worker->finished, c.finished ? 1 : 0) << c.what;
    EXPECT_EQ(fullServer.RequestCount(), c.fullRequests) << c.what;
    EXPECT_EQ(fullServer.Requests().at(0).path, "/full.zip") << c.what;
    if (c.finished) {
      EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(full)) << c.what;
    }
    worker.reset();
    std::filesystem::remove(File("update.zip"));
  }
}
