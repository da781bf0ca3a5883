// A download attempt of a program built with a publisher key (the tests'
// key): the signature is checked in the same pass as the MD5, and a package
// that fails it takes the MD5 mismatch's road.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/download_status.h"
#include "updater/download/http_download.h"

namespace {

using download_test::MakePackage;
using download_test::Md5Of;
using package_server::PackageServer;

class SignedAttempt : public download_test::EngineTest {};

TEST_F(SignedAttempt, OnlyAPackageSignedByTheKeyBecomesTheVerifiedPackage) {
  const std::string signedPackage = download_test::ReadWholeFile(ZVK_SIGNED_FIXTURE);
  std::string altered = signedPackage;
  altered[altered.size() / 2] ^= 0x01;  // its MD5 taken anew, as an attacker would
  struct Case {
    const char* what;
    std::string package;
    int expected;
    const char* logged;
  };
  const Case cases[] = {
      {"altered after signing", altered, CHttpDownload::kWrongDigest, "package refused: bad signature"},
      {"unsigned", MakePackage(6000), CHttpDownload::kWrongDigest, "package refused: unsigned"},
      {"signed", signedPackage, CHttpDownload::kSuccess, ""},
  };
  for (const Case& c : cases) {
    PackageServer server(c.package);
    CHttpDownload http;
    DownloadStatus status;
    std::string host = server.hostText();
    std::string path = "/u.zip";
    status.expectedMd5 = Md5Of(c.package);
    std::string log;
    platform::SetDebugOutputSink([&log](const char* piece) { log += piece; });
    EXPECT_EQ(http.Download(host, path, status), c.expected) << c.what;
    platform::SetDebugOutputSink(nullptr);
    if (c.expected == CHttpDownload::kSuccess) {
      EXPECT_EQ(FolderListing(), std::vector<std::string>{"update.zip"}) << c.what;
    } else {
      EXPECT_TRUE(FolderListing().empty()) << c.what;
      EXPECT_EQ(status.downloadedSize, 0) << c.what;
      EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << ": " << log;
    }
  }
}

}  // namespace
