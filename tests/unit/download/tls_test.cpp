// HTTPS through the OpenSSL transport, against nginx on localhost with a
// certificate authority made for the test: a verified download, the refused
// certificates with their reasons, and a handshake that never gets an answer.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <fstream>
#include <thread>

#include "tests/unit/download/child_process.h"
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

// nginx on localhost with one TLS server per certificate, stopped by its pid.
class TlsNginx {
 public:
  TlsNginx(const std::filesystem::path& dir, const std::string& pki, const std::string& package) {
    std::filesystem::create_directories(dir / "www");
    download_test::WriteWholeFile(dir / "www" / "u.zip", package);
    std::ofstream conf(dir / "nginx.conf");
    conf << "daemon off;\nworker_processes 1;\npid " << (dir / "nginx.pid").string() << ";\n"
         << "error_log " << (dir / "error.log").string() << ";\nevents { worker_connections 64; }\n"
         << "http {\n  access_log off;\n";
    for (const char* name : kCertificates) {
      ports_.push_back(download_test::FreeLoopbackPort());
      conf << "  server {\n    listen 127.0.0.1:" << ports_.back() << " ssl;\n    root " << (dir / "www").string()
           << ";\n    ssl_certificate " << pki << "/" << name << ".pem;\n    ssl_certificate_key " << pki << "/"
           << name << ".key;\n  }\n";
    }
    conf << "}\n";
    conf.close();
    process_ = std::make_unique<ChildProcess>(
        "/usr/sbin/nginx", std::vector<std::string>{"-p", dir.string(), "-c", (dir / "nginx.conf").string()});
  }
  ~TlsNginx() { process_->Kill(SIGTERM); }

  bool Ready() {
    for (unsigned short port : ports_)
      if (!download_test::WaitForListener(port, 5000)) return false;
    return process_->running();
  }
  std::string Host(int index) const { return "https://localhost:" + std::to_string(ports_[index]); }

 private:
  std::vector<unsigned short> ports_;
  std::unique_ptr<ChildProcess> process_;
};

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
    server_ = std::make_unique<TlsNginx>(serverDir_, pki_.string(), package_);
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
    Worker(const std::string& md5, const std::string& host) : Downloader(host + "/u.zip", md5, host, "/u.zip", false) {}
    void DoInstall() override {}
  };

  const std::string package_ = download_test::MakePackage(2 * 1024 * 1024 + 13, 17);
  std::filesystem::path serverDir_;
  std::unique_ptr<TlsNginx> server_;
};

TEST_F(Https, RangedDownloadOverTlsIsVerified) {
  auto worker = std::make_shared<Worker>(Md5Of(package_), server_->Host(0));
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
      connection.Connect(server_->Host(c.server));
      ADD_FAILURE() << c.reason << ": handshake passed";
    } catch (const TlsFailure& failure) {
      EXPECT_STREQ(failure.what(), c.reason);
    }
    DownloadStatus status;
    std::string host = server_->Host(c.server);
    std::string path = "/u.zip";
    DownloadSession session;
    EXPECT_EQ(CHttpDownload::RunAttempt(session, host, path, status), CHttpDownload::kNoSize) << c.reason;
  }
  EXPECT_TRUE(FolderListing().empty());
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
