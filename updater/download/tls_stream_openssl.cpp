// TLS through OpenSSL and Asio's SSL stream (native builds: unit tests and
// benchmarks). Trust comes from OpenSSL's default verify paths, which follow
// SSL_CERT_FILE and SSL_CERT_DIR when they are set.
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/system_error.hpp>
#include <mutex>

#include "platform/never_destroyed.h"
#include "updater/download/tls_stream.h"

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

// One context for the process: loading the trust store costs more than a
// handshake, and a context is safe to share once it is set up.
asio::ssl::context& SharedContext() {
  static platform::NeverDestroyed<asio::ssl::context> context(asio::ssl::context::tls_client);
  static std::once_flag prepared;
  std::call_once(prepared, [] {
    SSL_CTX_set_min_proto_version(context.get().native_handle(), TLS1_2_VERSION);
    context.get().set_default_verify_paths();
    context.get().set_verify_mode(asio::ssl::verify_peer);
  });
  return context.get();
}

std::string ReasonOfVerifyResult(long result) {
  switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "certificate expired";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return "certificate for another host";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return "certificate untrusted";
    default:
      return std::string("certificate refused: ") + X509_verify_cert_error_string(result);
  }
}

}  // namespace

struct TlsStream::Impl {
  Impl(asio::ip::tcp::socket& socket, Runner runner)
      : stream(socket, SharedContext()), run(std::move(runner)) {}
  asio::ssl::stream<asio::ip::tcp::socket&> stream;
  Runner run;
};

TlsStream::TlsStream(asio::ip::tcp::socket& socket, Runner run)
    : impl_(std::make_unique<Impl>(socket, std::move(run))) {}

TlsStream::~TlsStream() = default;

void TlsStream::Handshake(const std::string& serverName) {
  SSL* ssl = impl_->stream.native_handle();
  SSL_set_tlsext_host_name(ssl, serverName.c_str());
  SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  if (SSL_set1_host(ssl, serverName.c_str()) != 1) throw TlsFailure("server name not usable: " + serverName);
  const error_code error = impl_->run([this](const Done& done) {
    impl_->stream.async_handshake(asio::ssl::stream_base::client, [done](const error_code& e) { done(e); });
  });
  if (!error) return;
  const long verified = SSL_get_verify_result(ssl);
  if (verified != X509_V_OK) throw TlsFailure(ReasonOfVerifyResult(verified));
  if (error.category() == asio::error::get_ssl_category())
    throw TlsFailure("handshake failed: " + error.message());
  throw boost::system::system_error(error, "TLS handshake");
}

error_code TlsStream::Send(const std::string& text) {
  return impl_->run([&](const Done& done) {
    asio::async_write(impl_->stream, asio::buffer(text),
                      [done](const error_code& e, std::size_t) { done(e); });
  });
}

namespace {

// One read of the SSL stream: a record at most.
std::size_t ReadRecord(TlsStream::Runner& run, asio::ssl::stream<asio::ip::tcp::socket&>& stream, char* data,
                       std::size_t size, error_code& error) {
  std::size_t transferred = 0;
  error = run([&](const TlsStream::Done& done) {
    stream.async_read_some(asio::buffer(data, size), [&, done](const error_code& e, std::size_t n) {
      transferred = n;
      done(e);
    });
  });
  // A server that closes without a close_notify has still ended the stream;
  // the segment lengths and the digest judge what arrived.
  if (error == asio::ssl::error::stream_truncated) error = asio::error::eof;
  return error ? 0 : transferred;
}

}  // namespace

// A TLS read yields one record (16 KiB at most); the records that have
// already arrived are taken as well, so that the caller gets what the socket
// has, as from a plain read, rather than one small chunk per record.
std::size_t TlsStream::ReadSome(char* data, std::size_t size, error_code& error) {
  constexpr std::size_t kRecordRoom = 16 * 1024 + 256;
  std::size_t filled = ReadRecord(impl_->run, impl_->stream, data, size, error);
  if (filled == 0) return 0;
  error_code ignored;
  while (size - filled >= kRecordRoom && (SSL_pending(impl_->stream.native_handle()) > 0 ||
                                          impl_->stream.next_layer().available(ignored) > 0)) {
    // An error after some bytes is seen again by the next call.
    const std::size_t more = ReadRecord(impl_->run, impl_->stream, data + filled, size - filled, ignored);
    if (more == 0) break;
    filled += more;
  }
  return filled;
}
