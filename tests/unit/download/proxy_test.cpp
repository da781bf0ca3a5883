// Downloads through a real proxy (tinyproxy) on loopback, routed by curl's
// environment variables. The package servers admit only the proxy's outgoing
// address (127.0.0.2), or only the updater's own for the direct road, so a
// package that arrives came the way the route says.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>

#include "platform/platform.h"
#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/child_process.h"
#include "tests/unit/download/nginx_process.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/download_status.h"
#include "updater/download/http_download.h"

namespace {

using download_test::ChildProcess;
using download_test::FileDigest;
using download_test::FreeLoopbackPort;
using download_test::Md5Of;
using download_test::WaitForListener;

// tinyproxy on 127.0.0.1 going out from 127.0.0.2, with extra configuration
// lines; stopped by its pid.
struct Tinyproxy {
  Tinyproxy(const std::filesystem::path& dir, const std::string& name, const std::string& extra)
      : port(FreeLoopbackPort()) {
    const auto conf = dir / (name + ".conf");
    std::ofstream(conf) << "Port " << port << "\nListen 127.0.0.1\nBind 127.0.0.2\nTimeout 30\nLogFile \""
                        << (dir / (name + ".log")).string() << "\"\n"
                        << extra;
    process = std::make_unique<ChildProcess>("/usr/bin/tinyproxy",
                                             std::vector<std::string>{"-d", "-c", conf.string()});
  }
  std::string address() const { return "127.0.0.1:" + std::to_string(port); }
  unsigned short port;
  std::unique_ptr<ChildProcess> process;
};

class ThroughProxy : public download_test::EngineTest {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::filesystem::temp_directory_path() / ("zvk-proxy-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    ChildProcess maker(MAKE_TEST_PKI_PATH, {(dir_ / "pki").string()});
    ready_ = maker.Wait(60000) == 0;
    setenv("SSL_CERT_FILE", (dir_ / "pki" / "ca.pem").c_str(), 1);
    for (int i = 0; i < 3; ++i) ports_[i] = FreeLoopbackPort();
    const std::string pki = (dir_ / "pki" / "good").string();
    const std::string viaProxy = "\n    allow 127.0.0.2;\n    deny all;";
    nginx_ = new download_test::NginxProcess(
        dir_ / "nginx", package_, "",
        {"listen 127.0.0.1:" + std::to_string(ports_[0]) + ";" + viaProxy +
             "\n    location = /elsewhere.zip { return 302 http://localhost:" + std::to_string(ports_[2]) +
             "/u.zip; }",
         "listen 127.0.0.1:" + std::to_string(ports_[1]) + " ssl;\n    ssl_certificate " + pki +
             ".pem;\n    ssl_certificate_key " + pki + ".key;" + viaProxy,
         "listen 127.0.0.1:" + std::to_string(ports_[2]) + ";\n    allow 127.0.0.1;\n    deny all;"});
    open_ = new Tinyproxy(dir_, "open", "Allow 127.0.0.1\n");
    refusing_ = new Tinyproxy(dir_, "refusing", "Allow 127.0.0.3\n");
    asking_ = new Tinyproxy(dir_, "asking", "BasicAuth user secret\n");
    for (const Tinyproxy* proxy : {open_, refusing_, asking_}) ready_ &= WaitForListener(proxy->port, 5000);
    ready_ &= nginx_->Ready();
  }
  static void TearDownTestSuite() {
    for (Tinyproxy* proxy : {open_, refusing_, asking_}) delete proxy;
    delete nginx_;
    if (::testing::UnitTest::GetInstance()->Failed())
      std::fprintf(stderr, "kept for the log: %s\n", dir_.c_str());
    else
      std::filesystem::remove_all(dir_);
  }
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(ready_);
    for (const char* name : {"http_proxy", "https_proxy", "no_proxy"}) unsetenv(name);
    platform::SetDebugOutputSink([this](const char* text) { log_ += text; });
  }
  void TearDown() override {
    platform::SetDebugOutputSink(nullptr);
    EngineTest::TearDown();
  }
  int Attempt(std::string host) {
    std::string path = "/u.zip";
    status_.expectedMd5 = Md5Of(package_);
    return http_.Download(host, path, status_);
  }
  static std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
  }

  static inline std::filesystem::path dir_;
  static inline bool ready_ = false;
  static inline unsigned short ports_[3] = {};
  static inline download_test::NginxProcess* nginx_ = nullptr;
  static inline Tinyproxy *open_ = nullptr, *refusing_ = nullptr, *asking_ = nullptr;
  static inline const std::string package_ = download_test::MakePackage(1024 * 1024 + 7, 23);
  CHttpDownload http_;
  DownloadStatus status_;
  std::string log_;
};

TEST_F(ThroughProxy, EachRouteIsTakenOrFailsWithOneLineNamingItsCause) {
  const std::string plain = "127.0.0.1:" + std::to_string(ports_[0]);
  const std::string secure = "https://localhost:" + std::to_string(ports_[1]);
  const struct {
    const char* variable;
    std::string proxy;
    std::string host;
    int result;
    std::string logged;
  } cases[] = {
      {"http_proxy", open_->address(), plain, CHttpDownload::kSuccess,
       "proxy " + open_->address() + " (http_proxy)"},
      {"https_proxy", "http://" + open_->address(), secure, CHttpDownload::kSuccess,
       "proxy " + open_->address() + " (https_proxy)"},
      // The certificate names localhost, here the proxy's name: the package host's is checked.
      {"https_proxy", "localhost:" + std::to_string(open_->port),
       "https://127.0.0.1:" + std::to_string(ports_[1]), CHttpDownload::kNoSize,
       "certificate for another host"},
      {"no_proxy", "127.0.0.1", "127.0.0.1:" + std::to_string(ports_[2]), CHttpDownload::kSuccess,
       "direct (no_proxy)"},
      {"http_proxy", "127.0.0.1:" + std::to_string(FreeLoopbackPort()), plain, CHttpDownload::kNoSize,
       "cannot be reached"},
      {"https_proxy", refusing_->address(), secure, CHttpDownload::kNoSize,
       "refused CONNECT localhost:" + std::to_string(ports_[1]) + ": HTTP/1.0 403"},
      {"https_proxy", asking_->address(), secure, CHttpDownload::kNoSize,
       "asks for authentication (Basic) for CONNECT"},
      {"http_proxy", asking_->address(), plain, CHttpDownload::kNoSize,
       "asks for authentication (Basic) for GET http://" + plain + "/u.zip"},
  };
  for (const auto& c : cases) {
    log_.clear();
    setenv(c.variable, c.proxy.c_str(), 1);
    if (std::string(c.variable) == "no_proxy") setenv("http_proxy", open_->address().c_str(), 1);
    EXPECT_EQ(Attempt(c.host), c.result) << c.logged;
    EXPECT_NE(log_.find(c.logged), std::string::npos) << log_;
    EXPECT_EQ(Count(log_, "route to "), 1u) << log_;
    EXPECT_EQ(Count(log_, "][E]["), c.result == CHttpDownload::kSuccess ? 0u : 1u) << log_;
    if (c.result == CHttpDownload::kSuccess) {
      EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package_));
    }
    std::filesystem::remove(File("update.zip"));
    unsetenv(c.variable);
  }
}

TEST_F(ThroughProxy, RedirectionToAnotherHostDecidesTheRouteAgain) {
  setenv("http_proxy", open_->address().c_str(), 1);
  setenv("no_proxy", "localhost", 1);
  std::string host = "127.0.0.1:" + std::to_string(ports_[0]);
  std::string path = "/elsewhere.zip";
  status_.expectedMd5 = Md5Of(package_);
  EXPECT_EQ(http_.Download(host, path, status_), CHttpDownload::kRedirected);
  EXPECT_EQ(http_.Download(host, path, status_), CHttpDownload::kSuccess);
  EXPECT_NE(log_.find("route to 127.0.0.1:" + std::to_string(ports_[0]) + ": proxy"), std::string::npos)
      << log_;
  EXPECT_NE(log_.find("route to localhost:" + std::to_string(ports_[2]) + ": direct (no_proxy)"),
            std::string::npos);
}

TEST_F(ThroughProxy, StalledTransfersResumeThroughTheProxy) {
  package_server::ServerOptions paced;
  paced.bytesPerSecond = 400000;
  paced.partialBytes = 100000;
  package_server::PackageServer server(package_, paced);
  server.Script({package_server::Behaviour::kNormal, package_server::Behaviour::kStallMidBody,
                 package_server::Behaviour::kStallMidBody, package_server::Behaviour::kStallMidBody,
                 package_server::Behaviour::kStallMidBody});
  setenv("http_proxy", open_->address().c_str(), 1);
  EXPECT_EQ(Attempt(server.hostText()), CHttpDownload::kSegmentsShort);
  EXPECT_EQ(Attempt(server.hostText()), CHttpDownload::kSuccess);
  EXPECT_EQ(FileDigest(File("update.zip")), Md5Of(package_));
  bool resumed = false;
  for (const auto& request : server.Requests()) {
    EXPECT_NE(request.text.find("(tinyproxy/"), std::string::npos) << request.text;
    resumed = resumed || request.rangeOffset % (package_.size() / 4) != 0;
  }
  EXPECT_TRUE(resumed);
}

}  // namespace
