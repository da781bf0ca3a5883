#pragma once
// TLS over the connected socket of one HttpConnection: the client handshake
// (TLS 1.2 or newer), the check of the server's certificate chain against the
// system's trust store and of the host name, then encrypted sends and reads.
// Natively it is OpenSSL through Asio's SSL stream; on Windows, Schannel.
//
// Every socket operation goes through the connection's runner, so the
// connection's deadline and its Close() break off a TLS exchange (the
// handshake included) exactly as they break off a plain one.

#include <boost/asio/ip/tcp.hpp>
#include <boost/system/error_code.hpp>
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// A failed handshake or certificate check; what() names the reason
// ("certificate untrusted", "certificate expired", "certificate for another
// host", or the handshake's own error).
class TlsFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TlsStream {
 public:
  using Done = std::function<void(const boost::system::error_code&)>;
  // Starts one asynchronous operation (which calls Done at its end) and runs
  // it to completion on the calling thread; returns its error.
  using Runner = std::function<boost::system::error_code(const std::function<void(const Done&)>&)>;

  TlsStream(boost::asio::ip::tcp::socket& socket, Runner run);
  ~TlsStream();
  TlsStream(const TlsStream&) = delete;
  TlsStream& operator=(const TlsStream&) = delete;

  // Throws TlsFailure when the server or its certificate is refused, and
  // boost::system::system_error when the socket fails or is closed.
  void Handshake(const std::string& serverName);
  // Sends all of text; returns the error that stopped it.
  boost::system::error_code Send(const std::string& text);
  // Reads at least one byte of plain text. Returns 0 and sets error
  // (boost::asio::error::eof at the end of the stream) otherwise.
  std::size_t ReadSome(char* data, std::size_t size, boost::system::error_code& error);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
