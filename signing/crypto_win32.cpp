// CNG for the Windows programs: SHA-256 and ECDSA P-256 verification.
//
// bcrypt.dll is not one of the system's known DLLs, so a static import would
// let a DLL planted beside the elevated launcher load in its place. It is
// loaded from the system folder only, at first use, and never unloaded.
#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "signing/crypto.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace signing {
namespace {

struct Bcrypt {
  decltype(&BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
  decltype(&BCryptCreateHash) createHash = nullptr;
  decltype(&BCryptHashData) hashData = nullptr;
  decltype(&BCryptFinishHash) finishHash = nullptr;
  decltype(&BCryptDestroyHash) destroyHash = nullptr;
  decltype(&BCryptImportKeyPair) importKeyPair = nullptr;
  decltype(&BCryptDestroyKey) destroyKey = nullptr;
  decltype(&BCryptVerifySignature) verifySignature = nullptr;

  bool complete() const {
    return openAlgorithm && closeAlgorithm && createHash && hashData && finishHash && destroyHash &&
           importKeyPair && destroyKey && verifySignature;
  }
};

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function) {
  const FARPROC address = GetProcAddress(module, name);
  static_assert(sizeof function == sizeof address, "function pointers differ in size");
  std::memcpy(&function, &address, sizeof function);
}

HMODULE LoadFromSystemFolder() {
  // Systems without the search flags (Windows 7 before KB2533623) take the full path.
  if (HMODULE module = LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryW((std::wstring(folder, length) + L"\\bcrypt.dll").c_str());
}

// The functions, or none when bcrypt.dll or one of them is missing.
const Bcrypt* Api() {
  static const Bcrypt api = [] {
    Bcrypt loaded;
    HMODULE module = LoadFromSystemFolder();
    if (module == nullptr) return loaded;
    Resolve(module, "BCryptOpenAlgorithmProvider", loaded.openAlgorithm);
    Resolve(module, "BCryptCloseAlgorithmProvider", loaded.closeAlgorithm);
    Resolve(module, "BCryptCreateHash", loaded.createHash);
    Resolve(module, "BCryptHashData", loaded.hashData);
    Resolve(module, "BCryptFinishHash", loaded.finishHash);
    Resolve(module, "BCryptDestroyHash", loaded.destroyHash);
    Resolve(module, "BCryptImportKeyPair", loaded.importKeyPair);
    Resolve(module, "BCryptDestroyKey", loaded.destroyKey);
    Resolve(module, "BCryptVerifySignature", loaded.verifySignature);
    return loaded;
  }();
  return api.complete() ? &api : nullptr;
}

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

Algorithm OpenAlgorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(Api()->openAlgorithm(&handle, name, nullptr, 0))) return nullptr;
  return Algorithm(handle);
}

Key ImportPublicKey(BCRYPT_ALG_HANDLE algorithm, const PublicKey& key) {
  std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
  header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  header->cbKey = 32;
  std::copy(key.x.begin(), key.x.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
  std::copy(key.y.begin(), key.y.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB) + 32);
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(Api()->importKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob.data(),
                                           static_cast<ULONG>(blob.size()), 0)))
    return nullptr;
  return Key(handle);
}

}  // namespace

struct Sha256::State {
  Algorithm algorithm;
  Hash hash;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (Api() == nullptr) throw std::runtime_error("bcrypt.dll is not available");
  state_->algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!state_->algorithm ||
      !BCRYPT_SUCCESS(Api()->createHash(state_->algorithm.get(), &hash, nullptr, 0, nullptr, 0, 0)))
    throw std::runtime_error("SHA-256 is not available");
  state_->hash.reset(hash);
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
  // CNG takes at most a ULONG per call.
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
    Api()->hashData(state_->hash.get(), const_cast<PUCHAR>(bytes), piece, 0);
    bytes += piece;
    size -= piece;
  }
}

Digest Sha256::Finish() {
  Digest digest{};
  Api()->finishHash(state_->hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
  return digest;
}

bool VerifyDigestSignature(const PublicKey& key, const Digest& digest, const Signature& signature) {
  if (Api() == nullptr) return false;
  const Algorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!algorithm) return false;
  const Key imported = ImportPublicKey(algorithm.get(), key);
  if (!imported) return false;
  const NTSTATUS status = Api()->verifySignature(
      imported.get(), nullptr, const_cast<PUCHAR>(digest.data()), static_cast<ULONG>(digest.size()),
      const_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), 0);
  return BCRYPT_SUCCESS(status);
}

}  // namespace signing
