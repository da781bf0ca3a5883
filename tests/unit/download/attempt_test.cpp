// One download attempt against the scripted package server.
#include <gtest/gtest.h>

#include <thread>

#include "platform/platform.h"
#ifdef _WIN32
#include "platform/win_handle.h"
#endif
#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/download_status.h"
#include "updater/download/http_download.h"
#include "updater/download/package_digests.h"
#include "updater/download/segment_join.h"

namespace {

using download_test::FileDigest;
using download_test::MakePackage;
using download_test::Md5Of;
using download_test::WriteWholeFile;
using package_server::Behaviour;
using package_server::PackageServer;

class Attempt : public download_test::EngineTest {
 protected:
  int Run(PackageServer& server, const std::string& package, const std::string& md5 = "") {
    host_ = server.hostText();
    path_ = "/u.zip";
    status_.expectedMd5 = md5.empty() ? Md5Of(package) : md5;
    return http_.Download(host_, path_, status_);
  }

  CHttpDownload http_;
  DownloadStatus status_;
  std::string host_;
  std::string path_;
};

TEST_F(Attempt, SuccessLeavesOnlyTheVerifiedPackage) {
  const std::string package = MakePackage(100003);
  PackageServer server(package);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess);
  EXPECT_EQ(FolderListing(), std::vector<std::string>{"update.zip"});
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  EXPECT_EQ(status_.totalSize, 100003);
  EXPECT_EQ(status_.tdPath, File("update.td").string());
  ASSERT_EQ(server.RequestCount(), 5u);
  const auto requests = server.Requests();
  std::vector<std::int64_t> offsets;
  for (std::size_t i = 1; i < requests.size(); ++i) offsets.push_back(requests[i].rangeOffset);
  std::sort(offsets.begin(), offsets.end());
  EXPECT_EQ(offsets, (std::vector<std::int64_t>{0, 25000, 50000, 75000}));
}

TEST_F(Attempt, FolderNamedOutsideTheCodePageHoldsEveryFile) {
  const std::filesystem::path folder = folder_ / std::filesystem::u8path("\xED\x95\x9C\xEA\xB8\x80 update");
  std::filesystem::create_directories(folder);
  download::SetUpdaterFolder(folder);
  const std::string package = MakePackage(9000);
  WriteWholeFile(folder / "update.td2", package.substr(4500, 100));
  PackageServer server(package);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess);
  EXPECT_EQ(FileDigest(folder / "update.zip"), Md5Of(package));
  const auto requests = server.Requests();
  EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& r) {
    return r.rangeOffset == 4600;
  })) << "the segment file was not resumed";
}

TEST_F(Attempt, ProgressCountsOnlyTheBytesWithinEachSegment) {
  const std::string package = MakePackage(200000);
  package_server::ServerOptions paced;
  paced.bytesPerSecond = 1000000;
  PackageServer server(package, paced);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess);
  EXPECT_LE(status_.downloadedSize, status_.totalSize);
  EXPECT_GT(status_.downloadedSize, status_.totalSize / 2);
}

TEST_F(Attempt, UpperCaseMd5MatchesAndEmptyMd5NeverDoes) {
  const std::string package = MakePackage(5000);
  PackageServer server(package);
  std::string upper = Md5Of(package);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(Run(server, package, upper), CHttpDownload::kSuccess);
  std::filesystem::remove(File("update.zip"));
  status_.expectedMd5.clear();
  EXPECT_EQ(http_.Download(host_, path_, status_), CHttpDownload::kWrongDigest);
  EXPECT_TRUE(FolderListing().empty());
}

TEST_F(Attempt, TinyPackagesOfOneToThreeBytesDownload) {
  for (std::size_t size : {1u, 2u, 3u}) {
    const std::string package = MakePackage(size, static_cast<unsigned>(size));
    PackageServer server(package);
    EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess) << size;
    EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
    std::filesystem::remove(File("update.zip"));
  }
}

TEST_F(Attempt, SplitHeadsAndHeadsEndingAtAReadsEndAreReassembled) {
  const std::string package = MakePackage(4000);
  for (Behaviour behaviour : {Behaviour::kSplitHead, Behaviour::kHeadAlone}) {
    PackageServer server(package);
    server.SetDefaultBehaviour(behaviour);
    EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess);
    EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
    std::filesystem::remove(File("update.zip"));
  }
}

TEST_F(Attempt, PackageThatCannotTakeItsNameIsNotReportedAsInPlace) {
  const std::string package = MakePackage(4000);
  std::filesystem::create_directories(File("update.zip") / "occupied");
  PackageServer server(package);
  EXPECT_EQ(Run(server, package), CHttpDownload::kCannotCreatePackage);
  EXPECT_FALSE(std::filesystem::exists(File("update.td")));
}

TEST_F(Attempt, ResumedSegmentFileStartsItsRequestAfterItsBytes) {
  const std::string package = MakePackage(8000);
  WriteWholeFile(File("update.td1"), package.substr(2000, 500));
  PackageServer server(package);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess);
  bool found = false;
  for (const auto& request : server.Requests()) found = found || request.rangeOffset == 2500;
  EXPECT_TRUE(found);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
}

TEST_F(Attempt, DigestMismatchLogsOneErrorLineWithBothDigestsAndTheLength) {
  const std::string package = MakePackage(5000);
  PackageServer server(package);
  std::string log;
  platform::SetDebugOutputSink([&log](const char* piece) { log += piece; });
  const std::string expected(32, 'a');
  EXPECT_EQ(Run(server, package, expected), CHttpDownload::kWrongDigest);
  platform::SetDebugOutputSink(nullptr);
  const auto line =
      log.find("expected md5 " + expected + ", computed md5 " + Md5Of(package) + ", package length 5000");
  ASSERT_NE(line, std::string::npos) << log;
  EXPECT_NE(log.rfind("[E][", line), std::string::npos) << log;
}

class FailingSeek : public JoinOutput {
 public:
  bool SeekTo(std::uint64_t) override { return false; }
  bool Write(const char*, std::size_t) override { return true; }
};

TEST_F(Attempt, JoinWhoseSeekFailsFailsAndKeepsTheSegments) {
  const std::string package = MakePackage(8000);
  const SegmentPlan plan = MakeSegmentPlan(8000, "h", "/u.zip", File("update.td"), &status_);
  for (const SegmentTask& task : plan)
    WriteWholeFile(task.segmentFile, package.substr(task.rangeBegin, 2000));
  FailingSeek out;
  PackageDigests digests;
  EXPECT_EQ(JoinSegments(plan, out, digests), CHttpDownload::kSegmentMissing);
  EXPECT_EQ(FolderListing(),
            (std::vector<std::string>{"update.td0", "update.td1", "update.td2", "update.td3"}));
}

TEST_F(Attempt, ServerIgnoringRangeFailsTheDigest) {
  const std::string package = MakePackage(8000);
  PackageServer server(package);
  server.SetDefaultBehaviour(Behaviour::kIgnoreRange);
  EXPECT_EQ(Run(server, package), CHttpDownload::kWrongDigest);
  EXPECT_EQ(status_.downloadedSize, 0);
  EXPECT_TRUE(FolderListing().empty());
}

TEST_F(Attempt, WrongBodyFailsTheDigestAndATooLargeTotalLeavesTheLastSegmentShort) {
  const std::string package = MakePackage(8000);
  PackageServer server(package);
  server.SetDefaultBehaviour(Behaviour::kWrongBody);
  EXPECT_EQ(Run(server, package), CHttpDownload::kWrongDigest);
  EXPECT_TRUE(FolderListing().empty());
  server.SetDefaultBehaviour(Behaviour::kWrongLength);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSegmentsShort);
  EXPECT_FALSE(std::filesystem::exists(File("update.td")));
  server.SetDefaultBehaviour(Behaviour::kNormal);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess) << "segments planned for the wrong size were kept";
}

TEST_F(Attempt, ProbeWithoutUsableSizeGivesNoSize) {
  const std::string package = MakePackage(1000);
  PackageServer server(package);
  for (Behaviour behaviour : {Behaviour::kGarbage, Behaviour::kHugeHead, Behaviour::kRangeNotSatisfiable}) {
    server.Script({behaviour});
    EXPECT_EQ(Run(server, package), CHttpDownload::kNoSize);
  }
  EXPECT_EQ(server.RequestCount(), 3u) << "no transfer starts without a size";
}

TEST_F(Attempt, ProbeGivesUpOnASilentServerAfterItsLimit) {
  download::SetProbeLimit(300);
  const std::string package = MakePackage(1000);
  PackageServer server(package);
  server.Script({Behaviour::kStallBeforeHead});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(server, package), CHttpDownload::kNoSize);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(status_.totalSize, 0);
}

TEST_F(Attempt, SilentTransfersAreCutOffAndTheJoinFindsNothing) {
  const std::string package = MakePackage(8000);
  PackageServer server(package);
  server.Script({Behaviour::kNormal});
  server.SetDefaultBehaviour(Behaviour::kStallBeforeHead);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSegmentsShort);
  // Each transfer opened its segment file for appending before it asked.
  for (const std::string& name : FolderListing())
    EXPECT_EQ(std::filesystem::file_size(File(name)), 0u) << name;
}

TEST_F(Attempt, ShortSegmentsAreKeptAndTheNextAttemptResumesThemWithoutRefetching) {
  const std::string package = MakePackage(800000);
  package_server::ServerOptions paced;
  paced.bytesPerSecond = 400000;
  paced.partialBytes = 100000;  // half of each segment
  for (Behaviour cut : {Behaviour::kStallMidBody, Behaviour::kEarlyClose}) {
    PackageServer server(package, paced);
    server.Script({Behaviour::kNormal, cut, cut, cut, cut});
    EXPECT_EQ(Run(server, package), CHttpDownload::kSegmentsShort);
    EXPECT_EQ(FolderListing(),
              (std::vector<std::string>{"update.td0", "update.td1", "update.td2", "update.td3"}));
    EXPECT_EQ(http_.Download(host_, path_, status_), CHttpDownload::kSuccess);
    EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
    // Half a package before the cut, the other half after it, and what the
    // open ranges carry past each segment's end before their connections close.
    EXPECT_LT(server.PackageBytesSent(), package.size() * 5 / 4);
    EXPECT_LE(status_.downloadedSize, static_cast<std::int64_t>(package.size()))
        << "resumed bytes counted twice";
    std::filesystem::remove(File("update.zip"));
  }
}

TEST_F(Attempt, CompleteSegmentsAskForNothingAndAreJoinedUnchanged) {
  const std::string package = MakePackage(8000);
  WriteWholeFile(File("update.td0"), package.substr(0, 2000));
  WriteWholeFile(File("update.td3"), package.substr(6000));
  PackageServer server(package);
  EXPECT_EQ(Run(server, package), CHttpDownload::kSuccess);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  std::vector<std::int64_t> offsets;
  for (const auto& request : server.Requests()) offsets.push_back(request.rangeOffset);
  std::sort(offsets.begin(), offsets.end());
  EXPECT_EQ(offsets, (std::vector<std::int64_t>{0, 2000, 4000})) << "complete segments ask for nothing";
}

#ifdef _WIN32
// Another program (a virus scanner) holds segment 0 so that nobody may read
// it, but lets others write it, until every transfer has asked for its
// range. Measured apart from the append, the held file would pass for empty:
// its bytes would stay in front of the new ones while the digest, fed as
// they arrive, still matches, and update.zip would be corrupt.
TEST_F(Attempt, SegmentThatCannotBeReadNowResumesFromTheHandleItAppendsTo) {
  const std::string package = MakePackage(8000);
  WriteWholeFile(File("update.td0"), package.substr(0, 500));
  package_server::ServerOptions paced;
  paced.bytesPerSecond = 4000;  // each segment takes a good part of a second
  PackageServer server(package, paced);
  WinHandle scanner(CreateFileW(File("update.td0").c_str(), GENERIC_READ, FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(scanner);
  std::thread release([&server, &scanner] {
    for (int tenth = 0; tenth < 100 && server.RequestCount() < 5; ++tenth)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    scanner.reset();
  });
  const int result = Run(server, package);
  release.join();
  EXPECT_EQ(result, CHttpDownload::kSuccess);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package));
  const auto requests = server.Requests();
  EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& r) {
    return r.rangeOffset == 500;
  })) << "segment 0 was not resumed after its 500 bytes";
}
#endif

TEST_F(Attempt, TransferThreadThatCannotStartFailsTheAttemptCleanly) {
  const std::string package = MakePackage(8000);
  PackageServer server(package);
  int made = 0;
  download::SetThreadFactory([&made](std::function<void()> body) {
    if (made++ == 2) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::move(body));
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(server, package), CHttpDownload::kSegmentsShort);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

class Redirect : public Attempt {};

TEST_F(Redirect, AbsoluteLocationRewritesHostWithPortAndPath) {
  const std::string package = MakePackage(1000);
  PackageServer server(package);
  server.SetLocation("http://mirror:8080/pkg/u.zip");
  server.Script({Behaviour::kRedirect});
  EXPECT_EQ(Run(server, package), CHttpDownload::kRedirected);
  EXPECT_EQ(host_, "mirror:8080");
  EXPECT_EQ(path_, "/pkg/u.zip");
  EXPECT_EQ(status_.totalSize, 0);
}

TEST_F(Redirect, NextAttemptSendsTheNewHostTextAndConnectsToItsPort) {
  const std::string package = MakePackage(1000);
  PackageServer target(package);
  PackageServer first(package);
  first.SetLocation("http://" + target.hostText() + "/pkg/u.zip");
  first.Script({Behaviour::kRedirect});
  EXPECT_EQ(Run(first, package), CHttpDownload::kRedirected);
  EXPECT_EQ(http_.Download(host_, path_, status_), CHttpDownload::kSuccess);
  const auto requests = target.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].host, target.hostText());
  EXPECT_EQ(requests[0].path, "/pkg/u.zip");
}

TEST_F(Redirect, EachLocationFormIsFollowedWithItsPortAndABadOneGoesNowhere) {
  const std::string package = MakePackage(1000);
  PackageServer first(package);
  PackageServer second(package);
  struct Case {
    std::string location;
    PackageServer* target;  // nullptr: the probe fails and nothing moves
    std::string path;
  };
  const Case cases[] = {
      {"http://" + second.hostText() + "/pkg/u.zip#frag", &second, "/pkg/u.zip"},
      {"//" + second.hostText() + "/pkg/v.zip", &second, "/pkg/v.zip"},
      {"/pkg1.zip", &first, "/pkg1.zip"},
      {"dir/w.zip", &first, "/dir/w.zip"},
      {"http://user@" + second.hostText() + "/x.zip", nullptr, "/u.zip"},
  };
  for (const Case& c : cases) {
    first.SetLocation(c.location);
    first.Script({Behaviour::kRedirect});
    const int result = Run(first, package);
    if (!c.target) {
      EXPECT_EQ(result, CHttpDownload::kNoSize) << c.location;
      EXPECT_EQ(host_, first.hostText()) << c.location;
      EXPECT_EQ(path_, c.path) << c.location;
      continue;
    }
    ASSERT_EQ(result, CHttpDownload::kRedirected) << c.location;
    EXPECT_EQ(host_, c.target->hostText()) << c.location;
    EXPECT_EQ(path_, c.path) << c.location;
    const std::size_t before = c.target->RequestCount();
    EXPECT_EQ(http_.Download(host_, path_, status_), CHttpDownload::kSuccess) << c.location;
    const auto requests = c.target->Requests();
    ASSERT_GT(requests.size(), before) << c.location;
    EXPECT_EQ(requests[before].host, c.target->hostText()) << c.location;
    EXPECT_EQ(requests[before].path, c.path) << c.location;
    std::filesystem::remove(File("update.zip"));
  }
}

}  // namespace
