// Asio's headers bring in winsock2.h, which must come before windows.h.
#include "updater/download/tls_stream.h"

#define SECURITY_WIN32
#include <windows.h>
// Needs windows.h first.
#include <cstdio>
#include <string>

#include "platform/system_library_win32.h"
#include "updater/download/security_api_win32.h"

namespace tls_api {
namespace {

std::string LoadFailure(const char* what, DWORD error) {
  char code[16];
  std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(error));
  return std::string(what) + " not loaded from the system folder: error " + code;
}

struct SspiTable {
  const SecurityFunctionTableW* table = nullptr;
  DWORD error = 0;
};

}  // namespace

const SecurityFunctionTableW& Sspi() {
  static const SspiTable loaded = [] {
    SspiTable result;
    INIT_SECURITY_INTERFACE_W initialise = nullptr;
    if (!platform::ResolveExport(platform::LoadSystemLibrary(L"secur32.dll"), "InitSecurityInterfaceW",
                                 initialise)) {
      result.error = GetLastError();
      return result;
    }
    result.table = initialise();
    if (result.table == nullptr) result.error = GetLastError();
    return result;
  }();
  if (loaded.table == nullptr) throw TlsFailure(LoadFailure("secur32.dll", loaded.error));
  return *loaded.table;
}

const CertificateFunctions& Certificates() {
  struct Loaded {
    CertificateFunctions functions;
    DWORD error = 0;
  };
  static const Loaded loaded = [] {
    Loaded result;
    const HMODULE module = platform::LoadSystemLibrary(L"crypt32.dll");
    CertificateFunctions& f = result.functions;
    if (!platform::ResolveExport(module, "CertGetCertificateChain", f.getChain) ||
        !platform::ResolveExport(module, "CertVerifyCertificateChainPolicy", f.verifyChainPolicy) ||
        !platform::ResolveExport(module, "CertFreeCertificateChain", f.freeChain) ||
        !platform::ResolveExport(module, "CertFreeCertificateContext", f.freeCertificate)) {
      result.error = GetLastError();
      f = CertificateFunctions{};
    }
    return result;
  }();
  if (loaded.functions.getChain == nullptr) throw TlsFailure(LoadFailure("crypt32.dll", loaded.error));
  return loaded.functions;
}

}  // namespace tls_api
