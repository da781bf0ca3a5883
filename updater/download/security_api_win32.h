#pragma once
// Schannel's (secur32.dll) and the certificate functions' (crypt32.dll)
// entry points for the TLS stream. Neither DLL is one of the system's known
// DLLs and the updater runs from temp\, so they are not imported: both come
// from the system folder at first use and stay loaded. Windows-only header;
// include it after windows.h with SECURITY_WIN32 defined.

#include <security.h>
#include <wincrypt.h>

namespace tls_api {

// SSPI's function table. Throws TlsFailure naming the cause when
// secur32.dll cannot be loaded. Any thread.
const SecurityFunctionTableW& Sspi();

struct CertificateFunctions {
  decltype(&CertGetCertificateChain) getChain = nullptr;
  decltype(&CertVerifyCertificateChainPolicy) verifyChainPolicy = nullptr;
  decltype(&CertFreeCertificateChain) freeChain = nullptr;
  decltype(&CertFreeCertificateContext) freeCertificate = nullptr;
};

// Throws TlsFailure naming the cause when crypt32.dll or one of the
// functions is missing. Any thread.
const CertificateFunctions& Certificates();

}  // namespace tls_api
