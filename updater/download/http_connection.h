#pragma once
// One TCP connection for one HTTP exchange, plain or over TLS as the host
// value says (see server_address.h), with blocking calls that another thread
// can break off at once through Close(). Each call runs the connection's own
// io_context until its operation completes, so a close posted from elsewhere
// is carried out on the thread that is blocked, in a TLS handshake as well.

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "updater/download/proxy_route.h"
#include "updater/download/tls_stream.h"

class AttemptState;

class HttpConnection {
 public:
  using Clock = std::chrono::steady_clock;

  // Registers with the attempt, which may close the connection at any time.
  explicit HttpConnection(std::shared_ptr<AttemptState> attempt);
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  // Every blocking call below fails with timed_out once this time has passed.
  void SetDeadline(Clock::time_point deadline);

  // host is a host value: "name[:port]" or "[v6][:port]", either of them
  // after "https://" for TLS (see server_address.h). Through a proxy, the
  // connection goes to the proxy, and for TLS a tunnel is opened through it
  // first; the certificate is always checked against host. Throws
  // boost::system::system_error when resolving or connecting fails (after an
  // ERROR line when it is the proxy), ProxyFailure when the proxy refuses a
  // tunnel, and TlsFailure (after an ERROR log line naming the reason) when
  // the server or its certificate is refused.
  void Connect(const std::string& host, const ProxyRoute& route = {});
  // Sends all of text; throws boost::system::system_error on failure.
  void Send(const std::string& text);
  // Reads what the socket has, at least one byte. Returns 0 and sets error at
  // the end of the stream or on failure.
  std::size_t ReadSome(char* data, std::size_t size, boost::system::error_code& error);

  // Thread-safe: makes the current and every later call fail at once.
  void Close();
  bool closed() const { return closed_; }

 private:
  template <class Start>
  boost::system::error_code Run(Start start);
  boost::system::error_code RunOperation(const std::function<void(const TlsStream::Done&)>& start);
  void ConnectTcp(const std::string& name, const std::string& port);
  void ConnectToProxy(const ProxyRoute& route);
  void StartTls(const std::string& serverName);
  void CloseNow();
  void ArmDeadline();

  std::shared_ptr<AttemptState> attempt_;
  boost::asio::io_context io_{1};
  boost::asio::ip::tcp::resolver resolver_{io_};
  boost::asio::ip::tcp::socket socket_{io_};
  boost::asio::steady_timer timer_{io_};
  bool hasDeadline_ = false;
  Clock::time_point deadline_;
  std::atomic<bool> closed_{false};
  // Set once the connection is secure; before the socket in destruction order.
  std::unique_ptr<TlsStream> tls_;
};
