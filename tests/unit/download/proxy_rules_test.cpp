#include <gtest/gtest.h>

#include "updater/download/http_download.h"
#include "updater/download/proxy_route.h"
#include "updater/download/proxy_tunnel.h"

namespace {

using namespace proxy_rules;

TEST(ProxyRules, HostsReachedDirectlyFollowCurlAndWindowsRules) {
  const struct {
    bool windows;  // the Windows bypass list, else curl's no_proxy
    const char* list;
    const char* host;
    bool direct;
  } cases[] = {
      {false, "*", "any.host", true},
      {false, "example.com", "www.EXAMPLE.com", true},
      {false, ".example.com", "example.com", true},
      {false, "example.com", "badexample.com", false},
      {false, "a.test, 10.0.0.0/8", "10.1.2.3", true},
      {false, "10.0.0.0/8", "11.0.0.1", false},
      {false, "::1", "::1", true},
      {false, "", "localhost", false},
      {true, "<local>", "intranet", true},
      {true, "<local>", "updates.example.com", false},
      {true, "*.example.com;192.168.*", "192.168.4.1", true},
      {true, "*.example.com", "example.com", false},
      {true, "https://*.example.com", "a.example.com", false},
  };
  for (const auto& c : cases) {
    const bool direct =
        c.windows ? MatchesBypassList(c.list, "http", c.host) : MatchesNoProxy(c.list, c.host);
    EXPECT_EQ(direct, c.direct) << c.list << " / " << c.host;
  }
}

TEST(ProxyRules, ProxySettingsParseOrAreRefused) {
  const struct {
    const char* text;
    const char* address;  // empty: refused
  } cases[] = {{"proxy.school:3128", "proxy.school:3128"},
               {"http://10.0.0.1:8080/", "10.0.0.1:8080"},
               {"proxy", "proxy:1080"},
               {"[::1]:3128", "[::1]:3128"},
               {"socks5://proxy:1080", ""},
               {"proxy:0", ""},
               {"proxy:99999", ""},
               {"pro xy:80", ""},
               {"[not-v6]:80", ""},
               {"", ""}};
  for (const auto& c : cases) {
    std::string address;
    const bool parsed = ParseProxyServer(c.text, "1080", address);
    EXPECT_EQ(parsed ? address : "", c.address) << c.text;
  }
  EXPECT_EQ(ProxyForScheme("http=a:80;https=b:443", "https"), "b:443");
  EXPECT_EQ(ProxyForScheme("http=a:80", "https"), "");
  EXPECT_EQ(ProxyForScheme("all:8080", "https"), "all:8080");
}

TEST(ProxyRules, ProxyAnswersAreReadWithinBoundsWhateverTheyHold) {
  const ProxyAnswer refused = ReadProxyAnswer(
      "HTTP/1.1 407 Auth\r\nProxy-Authenticate: Negotiate\r\nproxy-authenticate: NTLM, Basic realm=\"a, b\"");
  EXPECT_EQ(refused.status, 407);
  EXPECT_EQ(refused.authSchemes, (std::vector<std::string>{"Negotiate", "NTLM", "Basic"}));
  for (const char* garbage : {"", "\r\n", "HTTP/1.1", "HTTP/1.1 20", "SSH-2.0 200 x", "HTTP/1.1 2000 x"})
    EXPECT_EQ(ReadProxyAnswer(garbage).status, -1) << garbage;
  EXPECT_EQ(ReadProxyAnswer(std::string(1000, '\x01')).statusLine.size(), 163u);
}

TEST(ProxyRules, PlainRequestsThroughAProxyNameTheAbsoluteUrlAndNothingElseChanges) {
  const ProxyRoute route{"proxy:3128", "http_proxy"};
  const std::string direct = CHttpDownload::BuildRequest("mirror:8080", "/u.zip", 7);
  EXPECT_EQ(CHttpDownload::BuildRequest("mirror:8080", "/u.zip", 7, route),
            "GET http://mirror:8080/u.zip" + direct.substr(10));
  EXPECT_EQ(CHttpDownload::BuildRequest("https://mirror", "/u.zip", 7, route),
            CHttpDownload::BuildRequest("https://mirror", "/u.zip", 7));
}

}  // namespace
