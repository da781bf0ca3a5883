#include <gtest/gtest.h>

#include "updater/download/download_status.h"
#include "updater/download/http_download.h"
#include "updater/download/segment_task.h"
#include "updater/download/server_address.h"

namespace {

TEST(Request, LinesAreByteExactWithTheBlankBeforeTheRangeLinesEnd) {
  EXPECT_EQ(CHttpDownload::BuildRequest("mirror:8080", "/pkg/u.zip", 0),
            "GET /pkg/u.zip HTTP/1.1\r\n"
            "Host: mirror:8080\r\n"
            "Accept: */*\r\n"
            "Pragma: no-cache\r\n"
            "Cache-Control: no-cache\r\n"
            "Connection: close\r\n"
            "Range: bytes=0- \r\n"
            "\r\n");
  const std::string transfer = CHttpDownload::BuildRequest("h", "/u.zip", 4294967296ull + 500);
  EXPECT_NE(transfer.find("\r\nRange: bytes=4294967796- \r\n\r\n"), std::string::npos);
}

TEST(ServerAddress, SchemeSelectsTransportAndDefaultPortAndStaysOffTheHostLine) {
  const struct {
    const char* host;
    bool secure;
    const char* name;
    const char* port;
    const char* hostLine;
  } cases[] = {
      {"mirror", false, "mirror", "80", "mirror"},
      {"mirror:8080", false, "mirror", "8080", "mirror:8080"},
      {"https://mirror", true, "mirror", "443", "mirror"},
      {"https://mirror:8443", true, "mirror", "8443", "mirror:8443"},
      {"https://[::1]:8443", true, "::1", "8443", "[::1]:8443"},
      {"[::1]", false, "::1", "80", "[::1]"},
  };
  for (const auto& c : cases) {
    const ServerAddress address = ParseServerAddress(c.host);
    EXPECT_EQ(address.secure, c.secure) << c.host;
    EXPECT_EQ(address.name, c.name) << c.host;
    EXPECT_EQ(address.port, c.port) << c.host;
    EXPECT_EQ(address.hostLine, c.hostLine) << c.host;
  }
  EXPECT_EQ(CHttpDownload::BuildRequest("https://mirror:8443", "/u.zip", 0).substr(0, 43),
            "GET /u.zip HTTP/1.1\r\nHost: mirror:8443\r\nAcc");
}

TEST(SegmentPlan, TenBytesSplitIntoThreeTwosAndAFour) {
  DownloadStatus status;
  const SegmentPlan plan = MakeSegmentPlan(10, "h", "/p", "/t/update.td", &status);
  const std::uint32_t expected[4][2] = {{0, 2}, {2, 4}, {4, 6}, {6, 10}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(plan[i].rangeBegin, expected[i][0]);
    EXPECT_EQ(plan[i].rangeEnd, expected[i][1]);
    EXPECT_EQ(plan[i].segmentFile, "/t/update.td" + std::to_string(i));
    EXPECT_EQ(plan[i].received, 0u);
    EXPECT_EQ(plan[i].status, &status);
  }
}

TEST(SegmentPlan, TinyPackagesPutEveryByteInTheLastSegment) {
  DownloadStatus status;
  for (std::uint32_t total : {1u, 2u, 3u}) {
    const SegmentPlan plan = MakeSegmentPlan(total, "h", "/p", "td", &status);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(plan[i].rangeEnd, plan[i].rangeBegin);
    EXPECT_EQ(plan[3].rangeBegin, 0u);
    EXPECT_EQ(plan[3].rangeEnd, total);
  }
}

TEST(Status, CopyTakesEachCounterWhole) {
  DownloadStatus status;
  status.tdPath = "x";
  status.downloadedSize = 50;
  status.totalSize = 200;
  const DownloadStatus copy = status;
  EXPECT_EQ(copy.downloadedSize, 50);
  EXPECT_EQ(DownloadPercent(copy), 25);
  EXPECT_EQ(DownloadPercent(DownloadStatus()), 0);
}

}  // namespace
