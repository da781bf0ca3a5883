#include "updater/download/http_download.h"

#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>
#include <chrono>
#include <vector>

#include "logging/n_log.h"
#include "updater/download/diagnostics.h"
#include "updater/download/download_status.h"
#include "updater/download/engine_settings.h"
#include "updater/download/head_reader.h"
#include "updater/download/http_connection.h"
#include "updater/download/package_url.h"
#include "updater/download/proxy_tunnel.h"
#include "updater/download/response_header.h"
#include "updater/download/segment_task.h"
#include "updater/download/server_address.h"
#include "updater/download/stdio_file.h"

namespace {

constexpr std::size_t kProbeReadSize = 4096;

std::uint32_t SaturatingAdd(std::uint32_t a, std::uint64_t b) {
  const std::uint64_t sum = a + b;
  return sum > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(sum);
}

enum class Redirection { kFollowed, kUnreadable, kRefused };

// Moves host and requestPath to where the Location value points. A value
// that cannot be read, or that leads from TLS to plain HTTP (which would
// hand the package, and the version it reveals, to anyone on the path),
// leaves them as they are: the probe then fails instead of connecting
// anywhere else.
Redirection FollowLocation(const std::string& location, std::string& host, std::string& requestPath) {
  const ServerAddress server = ParseServerAddress(host);
  const download::PackageUrl current{server.secure ? "https" : "http", server.hostLine, requestPath};
  download::PackageUrl next;
  if (!download::ResolveLocation(current, location, next)) return Redirection::kUnreadable;
  if (server.secure && next.scheme != "https") return Redirection::kRefused;
  host = (next.scheme == "https" ? kSecureHostPrefix : "") + next.authority;
  requestPath = next.path;
  return Redirection::kFollowed;
}

}  // namespace

CHttpDownload::CHttpDownload() : session_(std::make_shared<DownloadSession>()) {}

CHttpDownload::~CHttpDownload() { session_->Stop(); }

int CHttpDownload::Download(std::string& host, std::string& requestPath, DownloadStatus& status) {
  return RunAttempt(*session_, host, requestPath, status);
}

std::string CHttpDownload::BuildRequest(const std::string& host, const std::string& requestPath,
                                        std::uint64_t offset, const ProxyRoute& route) {
  const ServerAddress server = ParseServerAddress(host);
  const bool absolute = !route.direct() && !server.secure;
  std::string request;
  request.reserve(160 + 2 * host.size() + requestPath.size());
  request +=
      "GET " + (absolute ? "http://" + server.hostLine : std::string()) + requestPath + " HTTP/1.1\r\n";
  request += "Host: " + server.hostLine + "\r\n";
  request += "Accept: */*\r\n";
  request += "Pragma: no-cache\r\n";
  request += "Cache-Control: no-cache\r\n";
  request += "Connection: close\r\n";
  request += "Range: bytes=" + std::to_string(offset) + "- \r\n";
  request += "\r\n";
  return request;
}

std::int64_t CHttpDownload::QueryFileSize(std::string& host, std::string& requestPath, DownloadStatus& status,
                                          const std::shared_ptr<AttemptState>& attempt,
                                          const ProxyRoute& route) {
  try {
    HttpConnection connection(attempt);
    connection.SetDeadline(HttpConnection::Clock::now() +
                           std::chrono::milliseconds(download::CurrentSettings().probeLimitMs));
    connection.Connect(host, route);
    connection.Send(BuildRequest(host, requestPath, 0, route));
    HeadReader head;
    std::vector<char> data(kProbeReadSize);
    boost::system::error_code error;
    while (head.state() == HeadReader::State::kIncomplete) {
      const std::size_t got = connection.ReadSome(data.data(), data.size(), error);
      if (got == 0) break;
      head.Append(data.data(), got);
    }
    if (head.state() == HeadReader::State::kTooLarge) {
      PrintDiagnostic("Invalid response\n");
      return 0;
    }
    if (head.state() != HeadReader::State::kComplete) {
      status.totalSize = 0;
      return 0;
    }
    ResponseHeader header;
    if (ParseResponseHeader(header, head.buffer(), head.headEnd())) {
      const std::int64_t size = static_cast<std::uint32_t>(header.totalLength);
      status.totalSize = size;
      return size;
    }
    if (header.statusCode >= 300 && header.statusCode <= 399) {
      switch (FollowLocation(header.location, host, requestPath)) {
        case Redirection::kFollowed:
          return kProbeRedirected;
        case Redirection::kRefused:
          ZM_ERROR << "Redirection from https to http refused: " << proxy_rules::Redacted(header.location);
          break;
        case Redirection::kUnreadable:
          PrintDiagnostic("Invalid Location: " + proxy_rules::Redacted(header.location) + "\n");
          break;
      }
    } else if (!route.direct() && !IsSecureHost(host)) {
      // Plain HTTP: the answer came from the proxy, and may well be its own.
      const std::string request = "GET http://" + ParseServerAddress(host).hostLine + requestPath;
      ZM_ERROR << DescribeProxyRefusal(route, proxy_rules::Redacted(request),
                                       ReadProxyAnswer(std::string_view(header.headerText)));
    }
    return 0;
  } catch (const std::exception& e) {
    PrintDiagnostic(std::string(" exception = ") + e.what() + "\n");
    return 0;
  }
}

bool CHttpDownload::WriteChunk(const std::filesystem::path& segmentFile, const char* chunk, std::size_t size,
                               std::uint32_t& received, StdioFile& file) {
  if (size != 0 && (std::fwrite(chunk, 1, size, file.get()) != size || std::fflush(file.get()) != 0)) {
    PrintDiagnostic(" exception = write to " + segmentFile.u8string() + " failed\n");
    return false;
  }
  received = SaturatingAdd(received, size);
  return true;
}
