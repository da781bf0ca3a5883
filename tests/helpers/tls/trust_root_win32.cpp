// Adds a certificate authority (a DER file) to the current user's "Root"
// store of the Wine prefix it runs in, so that a test or the demo trusts its
// own authority there and nowhere else. Removing it again through the system
// store provider silently does nothing under Wine: throw the prefix away.
//
//   trust_root.exe <authority.der>      exit code 0 when the store holds it
#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_root.exe <authority.der>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<unsigned char> der((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  if (der.empty()) {
    std::fprintf(stderr, "trust_root: cannot read the authority\n");
    return 1;
  }
  std::unique_ptr<void, StoreCloser> store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  if (!store) {
    std::fprintf(stderr, "trust_root: Root store not opened: %lu\n", GetLastError());
    return 1;
  }
  if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                        nullptr)) {
    std::fprintf(stderr, "trust_root: not added: %lu\n", GetLastError());
    return 1;
  }
  return 0;
}
