#include "updater/download/http_connection.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/system_error.hpp>

#include "logging/n_log.h"
#include "updater/download/attempt_state.h"
#include "updater/download/proxy_tunnel.h"
#include "updater/download/server_address.h"

namespace asio = boost::asio;
using boost::system::error_code;

HttpConnection::HttpConnection(std::shared_ptr<AttemptState> attempt) : attempt_(std::move(attempt)) {
  attempt_->Add(this);
}

HttpConnection::~HttpConnection() {
  // Out of the attempt's table first, so that no close is posted to an
  // io_context that is going away.
  attempt_->Remove(this);
  error_code ignored;
  socket_.close(ignored);
}

void HttpConnection::SetDeadline(Clock::time_point deadline) {
  hasDeadline_ = true;
  deadline_ = deadline;
}

void HttpConnection::Close() {
  closed_ = true;
  asio::post(io_, [this] { CloseNow(); });
}

void HttpConnection::CloseNow() {
  error_code ignored;
  resolver_.cancel();
  socket_.close(ignored);
}

void HttpConnection::ArmDeadline() {
  if (!hasDeadline_) return;
  timer_.expires_at(deadline_);
  timer_.async_wait([this](const error_code& error) {
    if (!error) CloseNow();
  });
}

// Runs one asynchronous operation to its end on this thread. start receives
// the completion to call with the operation's error code.
template <class Start>
error_code HttpConnection::Run(Start start) {
  if (closed_) return asio::error::operation_aborted;
  if (hasDeadline_ && Clock::now() >= deadline_) return asio::error::timed_out;
  io_.restart();
  error_code result = asio::error::would_block;
  start([this, &result](const error_code& error) {
    result = error;
    timer_.cancel();
  });
  ArmDeadline();
  io_.run();
  if (result && hasDeadline_ && Clock::now() >= deadline_) return asio::error::timed_out;
  if (!result && closed_) return asio::error::operation_aborted;
  return result;
}

error_code HttpConnection::RunOperation(const std::function<void(const TlsStream::Done&)>& start) {
  return Run([&](auto done) { start(TlsStream::Done(done)); });
}

void HttpConnection::StartTls(const std::string& serverName) {
  tls_ = std::make_unique<TlsStream>(socket_, [this](const auto& start) { return RunOperation(start); });
  try {
    tls_->Handshake(serverName);
  } catch (const TlsFailure& failure) {
    ZM_ERROR << "TLS with " << serverName << " failed: " << failure.what();
    throw;
  }
}

void HttpConnection::ConnectTcp(const std::string& name, const std::string& port) {
  asio::ip::tcp::resolver::results_type endpoints;
  error_code error = Run([&](auto done) {
    // Only address families the machine has configured, as a default query does.
    resolver_.async_resolve(name, port, asio::ip::resolver_base::address_configured,
                            [&, done](const error_code& e, auto results) {
                              endpoints = results;
                              done(e);
                            });
  });
  if (error) throw boost::system::system_error(error, "resolve");
  error = Run([&](auto done) {
    asio::async_connect(socket_, endpoints, [done](const error_code& e, const auto&) { done(e); });
  });
  if (error) throw boost::system::system_error(error, "connect");
}

void HttpConnection::ConnectToProxy(const ProxyRoute& route) {
  const ServerAddress proxy = ParseServerAddress(route.proxy);
  try {
    ConnectTcp(proxy.name, proxy.port);
  } catch (const boost::system::system_error& error) {
    // A cut-off or a stop is no fault of the proxy.
    if (!closed_)
      ZM_ERROR << "proxy " << route.proxy << " (" << route.source << ") cannot be reached: " << error.what();
    throw;
  }
}

void HttpConnection::Connect(const std::string& host, const ProxyRoute& route) {
  const ServerAddress address = ParseServerAddress(host);
  if (route.direct()) {
    ConnectTcp(address.name, address.port);
  } else {
    ConnectToProxy(route);
    if (address.secure) OpenTunnel(*this, address, route);
  }
  if (address.secure) StartTls(address.name);
}

void HttpConnection::Send(const std::string& text) {
  if (tls_) {
    const error_code error = tls_->Send(text);
    if (error) throw boost::system::system_error(error, "send");
    return;
  }
  const error_code error = Run([&](auto done) {
    asio::async_write(socket_, asio::buffer(text), [done](const error_code& e, std::size_t) { done(e); });
  });
  if (error) throw boost::system::system_error(error, "send");
}

std::size_t HttpConnection::ReadSome(char* data, std::size_t size, error_code& error) {
  if (tls_) return tls_->ReadSome(data, size, error);
  std::size_t transferred = 0;
  error = Run([&](auto done) {
    socket_.async_read_some(asio::buffer(data, size), [&, done](const error_code& e, std::size_t n) {
      transferred = n;
      done(e);
    });
  });
  if (error) return 0;
  return transferred;
}
