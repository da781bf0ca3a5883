#include "updater/download/proxy_tunnel.h"

#include <array>
#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>
#include <cctype>

#include "logging/n_log.h"
#include "updater/download/head_reader.h"
#include "updater/download/http_connection.h"

namespace {

constexpr std::size_t kMaxSchemes = 6;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// The scheme names of one Proxy-Authenticate value: the first word of each
// challenge, that is of each comma-separated item outside quotes that is not
// a parameter ("realm=...").
void AddSchemes(std::string_view value, std::vector<std::string>& schemes) {
  bool quoted = false;
  std::size_t itemStart = 0;
  for (std::size_t i = 0; i <= value.size(); ++i) {
    if (i < value.size() && value[i] == '"') quoted = !quoted;
    if (i < value.size() && (quoted || value[i] != ',')) continue;
    std::string_view item = value.substr(itemStart, i - itemStart);
    itemStart = i + 1;
    const std::size_t begin = item.find_first_not_of(" \t");
    if (begin == std::string_view::npos) continue;
    item.remove_prefix(begin);
    const std::string_view word = item.substr(0, item.find_first_of(" \t"));
    if (word.find('=') != std::string_view::npos || schemes.size() >= kMaxSchemes) continue;
    schemes.push_back(proxy_rules::Printable(word, 32));
  }
}

}  // namespace

ProxyAnswer ReadProxyAnswer(std::string_view head) {
  ProxyAnswer answer;
  const std::string_view firstLine = head.substr(0, head.find("\r\n"));
  answer.statusLine = proxy_rules::Printable(firstLine, 160);
  // "HTTP/x.y NNN reason"
  const std::size_t space = firstLine.find(' ');
  if (StartsWithNoCase(firstLine, "HTTP/") && space != std::string_view::npos &&
      firstLine.size() >= space + 4 && std::isdigit(static_cast<unsigned char>(firstLine[space + 1])) &&
      std::isdigit(static_cast<unsigned char>(firstLine[space + 2])) &&
      std::isdigit(static_cast<unsigned char>(firstLine[space + 3])) &&
      (firstLine.size() == space + 4 || firstLine[space + 4] == ' '))
    answer.status = std::stoi(std::string(firstLine.substr(space + 1, 3)));
  std::size_t lineStart = firstLine.size();
  while (lineStart < head.size()) {
    lineStart = head.find_first_not_of("\r\n", lineStart);
    if (lineStart == std::string_view::npos) break;
    const std::size_t lineEnd = std::min(head.find('\n', lineStart), head.size());
    std::string_view line = head.substr(lineStart, lineEnd - lineStart);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    constexpr std::string_view kName = "Proxy-Authenticate:";
    if (StartsWithNoCase(line, kName)) AddSchemes(line.substr(kName.size()), answer.authSchemes);
    lineStart = lineEnd;
  }
  return answer;
}

std::string DescribeProxyRefusal(const ProxyRoute& route, const std::string& request,
                                 const ProxyAnswer& answer) {
  const std::string statusLine =
      answer.status < 0 ? "no HTTP answer (" + answer.statusLine + ")" : answer.statusLine;
  if (answer.status == 407) {
    std::string schemes;
    for (const std::string& scheme : answer.authSchemes) schemes += (schemes.empty() ? "" : ", ") + scheme;
    return "proxy " + route.proxy + " (" + route.source + ") asks for authentication (" +
           (schemes.empty() ? "no scheme named" : schemes) + ") for " + request +
           ", which the updater cannot give: " + statusLine;
  }
  if (answer.status == 403)
    return "proxy " + route.proxy + " (" + route.source + ") refused " + request + ": " + statusLine;
  return "proxy " + route.proxy + " (" + route.source + ") answered " + request + " with: " + statusLine;
}

std::string TunnelAuthority(const ServerAddress& target) {
  const bool v6 = target.name.find(':') != std::string::npos;
  return (v6 ? "[" + target.name + "]" : target.name) + ":" + target.port;
}

void OpenTunnel(HttpConnection& connection, const ServerAddress& target, const ProxyRoute& route) {
  const std::string authority = TunnelAuthority(target);
  connection.Send("CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n");
  HeadReader head;
  std::array<char, 1024> data;
  boost::system::error_code error;
  while (head.state() == HeadReader::State::kIncomplete) {
    const std::size_t got = connection.ReadSome(data.data(), data.size(), error);
    if (got == 0) break;
    head.Append(data.data(), got);
  }
  const std::string request = "CONNECT " + authority;
  if (head.state() == HeadReader::State::kIncomplete) {
    if (connection.closed()) throw boost::system::system_error(error, "proxy tunnel");
    const std::string text =
        "proxy " + route.proxy + " (" + route.source + ") gave no answer to " + request + ": " +
        (error && error != boost::asio::error::eof ? error.message() : "connection closed");
    ZM_ERROR << text;
    throw ProxyFailure(text);
  }
  const std::size_t headEnd =
      head.state() == HeadReader::State::kComplete ? head.headEnd() : head.buffer().size();
  const ProxyAnswer answer = ReadProxyAnswer(std::string_view(head.buffer()).substr(0, headEnd));
  // Nothing may follow a 2xx answer: the package host speaks only after the
  // client's first TLS message, so extra bytes are the proxy's own.
  const bool opened = head.state() == HeadReader::State::kComplete && answer.status >= 200 &&
                      answer.status <= 299 && head.buffer().size() == headEnd + 4;
  if (opened) return;
  const std::string text = DescribeProxyRefusal(route, request, answer);
  ZM_ERROR << text;
  throw ProxyFailure(text);
}
