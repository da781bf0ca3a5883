// HTTPS through the OpenSSL transport, against nginx on localhost with a
// certificate authority made for the test: a verified download, the refused
// certificates with their reasons, and a handshake that never gets an answer.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <iterator>
#include <thread>

#include "tests/unit/download/child_process.h"
#include "tests/unit/download/nginx_process.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/attempt_state.h"
#include "updater/download/downloader.h"
#include "updater/download/http_connection.h"
#include "updater/download/watchdog.h"

namespace {

using download_test::ChildProcess;
using download_test::FileDigest;
using download_test::Md5Of;
using download_test::WaitFor;

const char* const kCertificates[] = {"good", "wronghost", "expired", "untrusted"};

// One TLS server per certificate, then a plain one; the ports in that order.
// The good server redirects /to-http.zip to the plain one, which redirects
// /to-https.zip back.
std::vector<std::string> TlsServers(const std::string& pki, std::vector<unsigned short>& ports) {
  for (std::size_t i = 0; i <= std::size(kCertificates); ++i)
    ports.push_back(download_test::FreeLoopbackPort());
  const std::string plain = "127.0.0.1:" + std::to_string(ports.back());
  std::vector<std::string> servers;
  for (std::size_t i = 0; i < std::size(kCertificates); ++i) {
    const std::string files = pki + "/" + kCertificates[i];
    servers.push_back("listen 127.0.0.1:" + std::to_string(ports[i]) + " ssl;\n    ssl_certificate " + files +
                      ".pem;\n    ssl_certificate_key " + files +
                      ".key;\n    location = /to-http.zip { return 302 http://" + plain + "/u.zip; }");
  }
  servers.push_back("listen " + plain + ";\n    location = /to-https.zip { return 302 https://localhost:" +
                    std::to_string(ports[0]) + "/u.zip; }");
  return servers;
}

class Https : public download_test::EngineTest {
 protected:
  // One authority for the whole process: the transport reads its trust store
  // once, from OpenSSL's default paths, which this points at the authority alone.
  static void SetUpTestSuite() {
    pki_ = std::filesystem::temp_directory_path() / ("zvk-tls-pki-" + std::to_string(getpid()));
    ChildProcess maker(MAKE_TEST_PKI_PATH, {pki_.string()});
    pkiMade_ = maker.Wait(60000) == 0;
    setenv("SSL_CERT_FILE", (pki_ / "ca.pem").c_str(), 1);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(pki_); }

  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(pkiMade_);
    serverDir_ = folder_.parent_path() / (folder_.filename().string() + "-nginx");
    server_ = std::make_unique<download_test::NginxProcess>(serverDir_, package_, "",
                                                            TlsServers(pki_.string(), ports_));
    ASSERT_TRUE(server_->Ready());
  }
  void TearDown() override {
    server_.reset();
    if (!HasFailure()) std::filesystem::remove_all(serverDir_);
    EngineTest::TearDown();
  }

  static inline std::filesystem::path pki_;
  static inline bool pkiMade_ = false;

  class Worker : public Downloader {
   public:
    Worker(const std::string& md5, const std::string& host)
        : Downloader(host + "/u.zip", md5, host, "/u.zip", false) {}
    void DoInstall() override {}
  };

  const std::string package_ = download_test::MakePackage(2 * 1024 * 1024 + 13, 17);
  std::filesystem::path serverDir_;
  std::vector<unsigned short> ports_;
  std::unique_ptr<download_test::NginxProcess> server_;

  std::string Host(int index) const { return "https://localhost:" + std::to_string(ports_[index]); }
};

TEST_F(Https, RangedDownloadOverTlsIsVerified) {
  auto worker = std::make_shared<Worker>(Md5Of(package_), Host(0));
  worker->Start();
  ASSERT_TRUE(WaitFor([&] { return worker->Idle(); }, 60000));
  EXPECT_EQ(worker->finished, 1);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package_));
}

TEST_F(Https, RefusedCertificatesNameTheirReason) {
  const struct {
    int server;
    const char* reason;
  } cases[] = {{1, "certificate for another host"}, {2, "certificate expired"}, {3, "certificate untrusted"}};
  for (const auto& c : cases) {
    auto attempt = std::make_shared<AttemptState>();
    HttpConnection connection(attempt);
    try {
      connection.Connect(Host(c.server));
      ADD_FAILURE() << c.reason << ": handshake passed";
    } catch (const TlsFailure& failure) {
      EXPECT_STREQ(failure.what(), c.reason);
    }
    DownloadStatus status;
    std::string host = Host(c.server);
    std::string path = "/u.zip";
    DownloadSession session;
    EXPECT_EQ(CHttpDownload::RunAttempt(session, host, path, status), CHttpDownload::kNoSize) << c.reason;
  }
  EXPECT_TRUE(FolderListing().empty());
}

TEST_F(Https, RedirectionsMayEnterTlsButNeverLeaveIt) {
  const std::string plain = "127.0.0.1:" + std::to_string(ports_.back());
  const struct {
    std::string host;
    std::string path;
    int result;
    std::string hostAfter;
    std::string pathAfter;
  } cases[] = {{Host(0), "/to-http.zip", CHttpDownload::kNoSize, Host(0), "/to-http.zip"},
               {plain, "/to-https.zip", CHttpDownload::kRedirected, Host(0), "/u.zip"}};
  for (const auto& c : cases) {
    DownloadSession session;
    DownloadStatus status;
    std::string host = c.host;
    std::string path = c.path;
    EXPECT_EQ(CHttpDownload::RunAttempt(session, host, path, status), c.result) << c.path;
    EXPECT_EQ(host, c.hostAfter);
    EXPECT_EQ(path, c.pathAfter);
  }
}

TEST_F(Https, WatchdogCutsAHandshakeThatNeverGetsAnAnswer) {
  // The kernel completes the TCP connection on a listening socket that never
  // accepts; the client's hello then waits for ever.
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor silent(io, {boost::asio::ip::address_v4::loopback(), 0});
  const std::string host = "https://localhost:" + std::to_string(silent.local_endpoint().port());
  auto attempt = std::make_shared<AttemptState>();
  attempt->ExpectTransfers(1);
  std::string outcome;
  std::thread transfer([&] {
    try {
      HttpConnection connection(attempt);
      connection.Connect(host);
      outcome = "connected";
    } catch (const std::exception& e) {
      outcome = e.what();
    }
    attempt->TransferEnded();
  });
  download::WatchdogTiming timing;
  timing.startPollMs = 100;
  timing.startPolls = 3;
  WatchTransfers(*attempt, timing);
  transfer.join();
  EXPECT_TRUE(attempt->Closed());
  EXPECT_NE(outcome.find("TLS handshake"), std::string::npos) << outcome;
}

}  // namespace
