#pragma once
// The CNG functions of bcrypt.dll, for the files of signing/ (Windows only).
//
// bcrypt.dll is not one of the system's known DLLs, so a static import would
// let a DLL planted beside the elevated launcher load in its place. It is
// loaded from the system folder only, at first use, and never unloaded.
#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>

#include <memory>

namespace signing {
namespace bcrypt {

struct Functions {
  // What verification needs; Api() gives nothing without all of them.
  decltype(&BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
  decltype(&BCryptCreateHash) createHash = nullptr;
  decltype(&BCryptHashData) hashData = nullptr;
  decltype(&BCryptFinishHash) finishHash = nullptr;
  decltype(&BCryptDestroyHash) destroyHash = nullptr;
  decltype(&BCryptImportKeyPair) importKeyPair = nullptr;
  decltype(&BCryptDestroyKey) destroyKey = nullptr;
  decltype(&BCryptVerifySignature) verifySignature = nullptr;
  // What the publishing tool needs besides: making keys and signing.
  decltype(&BCryptGenerateKeyPair) generateKeyPair = nullptr;
  decltype(&BCryptFinalizeKeyPair) finalizeKeyPair = nullptr;
  decltype(&BCryptExportKey) exportKey = nullptr;
  decltype(&BCryptSignHash) signHash = nullptr;

  bool verifies() const {
    return openAlgorithm && closeAlgorithm && createHash && hashData && finishHash && destroyHash &&
           importKeyPair && destroyKey && verifySignature;
  }
  bool signs() const { return verifies() && generateKeyPair && finalizeKeyPair && exportKey && signHash; }
};

// The functions, or null when bcrypt.dll or a verification function is missing.
const Functions* Api();

struct AlgorithmCloser {
  void operator()(void* handle) const { Api()->closeAlgorithm(handle, 0); }
};
struct HashCloser {
  void operator()(void* handle) const { Api()->destroyHash(handle); }
};
struct KeyCloser {
  void operator()(void* handle) const { Api()->destroyKey(handle); }
};
using Algorithm = std::unique_ptr<void, AlgorithmCloser>;
using Hash = std::unique_ptr<void, HashCloser>;
using Key = std::unique_ptr<void, KeyCloser>;

// Null when the algorithm is not available. Api() must be non-null.
Algorithm OpenAlgorithm(const wchar_t* name);

}  // namespace bcrypt
}  // namespace signing
