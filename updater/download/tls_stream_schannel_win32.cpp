// TLS through Schannel (SSPI) over the connection's socket. The handshake
// tokens and records travel through the connection's runner, so a deadline
// or a Close() ends a TLS exchange at once. Schannel is told to leave the
// certificate alone (its automatic check is not enforced everywhere, Wine
// among them); the chain and the host name are checked here by hand.
// Asio's headers bring in winsock2.h, which must come before windows.h.
#include <boost/asio/error.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/system_error.hpp>

#include "updater/download/tls_stream.h"

#define SECURITY_WIN32
#include <windows.h>
// These need windows.h first.
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "updater/download/security_api_win32.h"

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

constexpr std::size_t kRawReadSize = 64 * 1024;
constexpr std::size_t kMaxPendingBytes = 256 * 1024;
constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

std::wstring WidenServerName(const std::string& name) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                         static_cast<int>(name.size()), nullptr, 0);
  if (length <= 0) throw TlsFailure("server name not usable: " + name);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
  return wide;
}

class Credentials {
 public:
  Credentials() {
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    settings.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    const SECURITY_STATUS status = tls_api::Sspi().AcquireCredentialsHandleW(
        nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &settings, nullptr,
        nullptr, &handle_, nullptr);
    if (status != SEC_E_OK)
      throw TlsFailure("no TLS credentials: " + Hex(static_cast<unsigned long>(status)));
  }
  ~Credentials() { tls_api::Sspi().FreeCredentialsHandle(&handle_); }
  Credentials(const Credentials&) = delete;
  Credentials& operator=(const Credentials&) = delete;
  CredHandle* get() { return &handle_; }

 private:
  CredHandle handle_{};
};

// A buffer that SSPI allocated for us.
class SspiBuffer {
 public:
  SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
  SspiBuffer() = default;
  ~SspiBuffer() {
    if (buffer.pvBuffer) tls_api::Sspi().FreeContextBuffer(buffer.pvBuffer);
  }
  SspiBuffer(const SspiBuffer&) = delete;
  SspiBuffer& operator=(const SspiBuffer&) = delete;
};

struct CertificateDeleter {
  void operator()(const CERT_CONTEXT* certificate) const {
    tls_api::Certificates().freeCertificate(certificate);
  }
};
struct ChainDeleter {
  void operator()(const CERT_CHAIN_CONTEXT* chain) const { tls_api::Certificates().freeChain(chain); }
};

std::string ReasonOfChainStatus(DWORD status) {
  if (status & CERT_TRUST_IS_NOT_TIME_VALID) return "certificate expired";
  if (status & CERT_TRUST_IS_REVOKED) return "certificate revoked";
  if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) return "certificate untrusted";
  return "certificate refused: chain status " + Hex(status);
}

std::string ReasonOfPolicyError(DWORD error) {
  switch (error) {
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return "certificate for another host";
    case static_cast<DWORD>(CERT_E_EXPIRED):
      return "certificate expired";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
      return "certificate untrusted";
    default:
      return "certificate refused: " + Hex(error);
  }
}

// The server's chain must end in a trusted root, be valid now and for
// server authentication, and name serverName. Wine's policy check passes a
// chain it could not complete, so the chain's own status is checked first.
void CheckServerCertificate(CtxtHandle* context, const std::wstring& serverName) {
  // Loaded before anything needs freeing through it.
  const tls_api::CertificateFunctions& certificates = tls_api::Certificates();
  PCCERT_CONTEXT raw = nullptr;
  if (tls_api::Sspi().QueryContextAttributesW(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &raw) != SEC_E_OK ||
      !raw)
    throw TlsFailure("server sent no certificate");
  std::unique_ptr<const CERT_CONTEXT, CertificateDeleter> certificate(raw);

  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT rawChain = nullptr;
  if (!certificates.getChain(nullptr, certificate.get(), nullptr, certificate->hCertStore, &chainPara, 0,
                             nullptr, &rawChain))
    throw TlsFailure("certificate chain not built: " + Hex(GetLastError()));
  std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainDeleter> chain(rawChain);
  if (chain->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR)
    throw TlsFailure(ReasonOfChainStatus(chain->TrustStatus.dwErrorStatus));

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA sslPara{};
  sslPara.cbSize = sizeof sslPara;
  sslPara.dwAuthType = AUTHTYPE_SERVER;
  sslPara.pwszServerName = const_cast<wchar_t*>(serverName.c_str());
  CERT_CHAIN_POLICY_PARA policyPara{};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &sslPara;
  CERT_CHAIN_POLICY_STATUS policyStatus{};
  policyStatus.cbSize = sizeof policyStatus;
  if (!certificates.verifyChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &policyStatus))
    throw TlsFailure("certificate policy not checked: " + Hex(GetLastError()));
  if (policyStatus.dwError != 0) throw TlsFailure(ReasonOfPolicyError(policyStatus.dwError));
}

}  // namespace

struct TlsStream::Impl {
  Impl(asio::ip::tcp::socket& s, Runner r) : socket(s), run(std::move(r)) {}
  ~Impl() {
    if (haveContext) tls_api::Sspi().DeleteSecurityContext(&context);
  }

  error_code ReadRaw();
  error_code WriteRaw(const void* data, std::size_t size);
  void ContinueHandshake(const std::wstring& target);
  SECURITY_STATUS HandshakeStep(const std::wstring& target, bool& needInput);
  error_code DecryptAvailable();

  asio::ip::tcp::socket& socket;
  Runner run;
  Credentials credentials;
  CtxtHandle context{};
  bool haveContext = false;
  SecPkgContext_StreamSizes sizes{};
  std::vector<char> incoming;  // received records not yet decrypted
  std::string plain;           // decrypted bytes not yet handed out
  std::size_t plainPos = 0;
  bool ended = false;  // the server closed the TLS session
};

error_code TlsStream::Impl::ReadRaw() {
  // A record is at most about 18 KiB: more that does not make one whole
  // record is not TLS.
  if (incoming.size() > kMaxPendingBytes) return asio::error::message_size;
  const std::size_t old = incoming.size();
  incoming.resize(old + kRawReadSize);
  std::size_t got = 0;
  const error_code error = run([&](const Done& done) {
    socket.async_read_some(asio::buffer(incoming.data() + old, kRawReadSize),
                           [&got, done](const error_code& e, std::size_t n) {
                             got = n;
                             done(e);
                           });
  });
  incoming.resize(old + (error ? 0 : got));
  return error;
}

error_code TlsStream::Impl::WriteRaw(const void* data, std::size_t size) {
  return run([&](const Done& done) {
    asio::async_write(socket, asio::buffer(data, size),
                      [done](const error_code& e, std::size_t) { done(e); });
  });
}

// One call of InitializeSecurityContextW with what has arrived; sends the
// token it makes and keeps bytes that belong to the next message.
SECURITY_STATUS TlsStream::Impl::HandshakeStep(const std::wstring& target, bool& needInput) {
  SecBuffer in[2] = {{static_cast<unsigned long>(incoming.size()), SECBUFFER_TOKEN, incoming.data()},
                     {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
  SspiBuffer out;
  SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out.buffer};
  unsigned long attributes = 0;
  const SECURITY_STATUS status = tls_api::Sspi().InitializeSecurityContextW(
      credentials.get(), haveContext ? &context : nullptr, const_cast<wchar_t*>(target.c_str()),
      kContextFlags, 0, 0, haveContext ? &inDesc : nullptr, 0, &context, &outDesc, &attributes, nullptr);
  if (!FAILED(status)) haveContext = true;
  needInput = status == SEC_E_INCOMPLETE_MESSAGE;
  if (needInput) return status;
  if (out.buffer.cbBuffer != 0 && out.buffer.pvBuffer) {
    const error_code error = WriteRaw(out.buffer.pvBuffer, out.buffer.cbBuffer);
    if (error) throw boost::system::system_error(error, "TLS handshake");
  }
  if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer <= incoming.size())
    incoming.erase(incoming.begin(), incoming.end() - in[1].cbBuffer);
  else
    incoming.clear();
  needInput = status == SEC_I_CONTINUE_NEEDED && incoming.empty();
  return status;
}

void TlsStream::Impl::ContinueHandshake(const std::wstring& target) {
  bool needInput = false;
  SECURITY_STATUS status = HandshakeStep(target, needInput);
  while (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE) {
    if (needInput) {
      const error_code error = ReadRaw();
      if (error) throw boost::system::system_error(error, "TLS handshake");
    }
    status = HandshakeStep(target, needInput);
  }
  if (status == SEC_I_INCOMPLETE_CREDENTIALS) throw TlsFailure("server asks for a client certificate");
  if (status != SEC_E_OK) throw TlsFailure("handshake failed: " + Hex(static_cast<unsigned long>(status)));
}

// Decrypts every whole record in incoming into plain.
error_code TlsStream::Impl::DecryptAvailable() {
  std::size_t consumed = 0;
  while (consumed < incoming.size()) {
    SecBuffer buffers[4] = {
        {static_cast<unsigned long>(incoming.size() - consumed), SECBUFFER_DATA, incoming.data() + consumed},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = tls_api::Sspi().DecryptMessage(&context, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) break;
    if (status == SEC_I_CONTEXT_EXPIRED) {
      // The close_notify record was decrypted in place and is spent; nothing
      // after it belongs to the session.
      ended = true;
      consumed = incoming.size();
      break;
    }
    if (status != SEC_E_OK) return asio::error::connection_aborted;
    std::size_t extra = 0;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA)
        plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
      if (buffer.BufferType == SECBUFFER_EXTRA) extra = buffer.cbBuffer;
    }
    consumed = incoming.size() - extra;
  }
  incoming.erase(incoming.begin(), incoming.begin() + static_cast<std::ptrdiff_t>(consumed));
  return {};
}

TlsStream::TlsStream(asio::ip::tcp::socket& socket, Runner run)
    : impl_(std::make_unique<Impl>(socket, std::move(run))) {}

TlsStream::~TlsStream() = default;

void TlsStream::Handshake(const std::string& serverName) {
  const std::wstring target = WidenServerName(serverName);
  impl_->ContinueHandshake(target);
  if (tls_api::Sspi().QueryContextAttributesW(&impl_->context, SECPKG_ATTR_STREAM_SIZES, &impl_->sizes) !=
      SEC_E_OK)
    throw TlsFailure("no record sizes");
  CheckServerCertificate(&impl_->context, target);
}

error_code TlsStream::Send(const std::string& text) {
  const SecPkgContext_StreamSizes& sizes = impl_->sizes;
  std::vector<char> record(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer);
  for (std::size_t sent = 0; sent < text.size();) {
    const std::size_t part = std::min<std::size_t>(text.size() - sent, sizes.cbMaximumMessage);
    std::memcpy(record.data() + sizes.cbHeader, text.data() + sent, part);
    SecBuffer buffers[4] = {
        {sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
        {static_cast<unsigned long>(part), SECBUFFER_DATA, record.data() + sizes.cbHeader},
        {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes.cbHeader + part},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    if (tls_api::Sspi().EncryptMessage(&impl_->context, 0, &desc, 0) != SEC_E_OK)
      return asio::error::connection_aborted;
    const error_code error =
        impl_->WriteRaw(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    if (error) return error;
    sent += part;
  }
  return {};
}

std::size_t TlsStream::ReadSome(char* data, std::size_t size, error_code& error) {
  Impl& impl = *impl_;
  error.clear();
  while (impl.plainPos == impl.plain.size()) {
    impl.plain.clear();
    impl.plainPos = 0;
    // A closed session's records are spent: once its plaintext is drained,
    // all that is left is the end of the stream.
    if (impl.ended) {
      error = asio::error::eof;
      return 0;
    }
    error = impl.DecryptAvailable();
    if (error) return 0;
    if (!impl.plain.empty()) break;
    if (impl.ended) {
      error = asio::error::eof;
      return 0;
    }
    error = impl.ReadRaw();
    if (error) return 0;
  }
  const std::size_t count = std::min(size, impl.plain.size() - impl.plainPos);
  std::memcpy(data, impl.plain.data() + impl.plainPos, count);
  impl.plainPos += count;
  return count;
}
