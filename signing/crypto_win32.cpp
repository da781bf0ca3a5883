// CNG for the Windows programs: SHA-256 and ECDSA P-256 verification.
//
// bcrypt.dll is not one of the system's known DLLs, so a static import would
// let a DLL planted beside the elevated launcher load in its place. It is
// loaded from the system folder only, at first use, and never unloaded.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/system_library_win32.h"
#include "signing/bcrypt_api_win32.h"
#include "signing/crypto.h"

namespace signing {
namespace bcrypt {

const Functions* Api() {
  static const Functions api = [] {
    Functions loaded;
    HMODULE module = platform::LoadSystemLibrary(L"bcrypt.dll");
    if (module == nullptr) return loaded;
    platform::ResolveExport(module, "BCryptOpenAlgorithmProvider", loaded.openAlgorithm);
    platform::ResolveExport(module, "BCryptCloseAlgorithmProvider", loaded.closeAlgorithm);
    platform::ResolveExport(module, "BCryptCreateHash", loaded.createHash);
    platform::ResolveExport(module, "BCryptHashData", loaded.hashData);
    platform::ResolveExport(module, "BCryptFinishHash", loaded.finishHash);
    platform::ResolveExport(module, "BCryptDestroyHash", loaded.destroyHash);
    platform::ResolveExport(module, "BCryptImportKeyPair", loaded.importKeyPair);
    platform::ResolveExport(module, "BCryptDestroyKey", loaded.destroyKey);
    platform::ResolveExport(module, "BCryptVerifySignature", loaded.verifySignature);
    platform::ResolveExport(module, "BCryptGenerateKeyPair", loaded.generateKeyPair);
    platform::ResolveExport(module, "BCryptFinalizeKeyPair", loaded.finalizeKeyPair);
    platform::ResolveExport(module, "BCryptExportKey", loaded.exportKey);
    platform::ResolveExport(module, "BCryptSignHash", loaded.signHash);
    return loaded;
  }();
  return api.verifies() ? &api : nullptr;
}

Algorithm OpenAlgorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(Api()->openAlgorithm(&handle, name, nullptr, 0))) return nullptr;
  return Algorithm(handle);
}

}  // namespace bcrypt

namespace {

using bcrypt::Algorithm;
using bcrypt::Api;
using bcrypt::Hash;
using bcrypt::Key;
using bcrypt::OpenAlgorithm;

[[noreturn]] void FailHash(const char* what, NTSTATUS status) {
  char code[16];
  std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(status));
  throw std::runtime_error(std::string(what) + " (status 0x" + code + ")");
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
    const NTSTATUS status = Api()->hashData(state_->hash.get(), const_cast<PUCHAR>(bytes), piece, 0);
    if (!BCRYPT_SUCCESS(status)) FailHash("SHA-256 cannot take the data", status);
    bytes += piece;
    size -= piece;
  }
}

Digest Sha256::Finish() {
  Digest digest{};
  const NTSTATUS status =
      Api()->finishHash(state_->hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
  if (!BCRYPT_SUCCESS(status)) FailHash("SHA-256 cannot finish", status);
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
