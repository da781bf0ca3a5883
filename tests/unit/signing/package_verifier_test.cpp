// The signature check against a package signed by the publishing tool, on
// both crypto back ends (OpenSSL natively, CNG under Wine).
#include "signing/package_verifier.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "signing/signature_layout.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using signing::Verdict;

Bytes ReadBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

signing::PublicKey TestKey() {
  const Bytes pem = ReadBytes(ZVK_TEST_PUBLIC_KEY);
  signing::PublicKey key;
  std::string error;
  EXPECT_TRUE(signing::ParsePublicKeyPem(std::string(pem.begin(), pem.end()), key, error)) << error;
  return key;
}

Verdict Check(const Bytes& package, std::size_t chunk) {
  signing::PackageVerifier verifier(package.size());
  for (std::size_t at = 0; at < package.size(); at += chunk)
    verifier.Update(package.data() + at, std::min(chunk, package.size() - at));
  return verifier.Finish(TestKey());
}

TEST(PackageVerifier, SignedPackageVerifiesHoweverItsBytesArrive) {
  const Bytes package = ReadBytes(ZVK_SIGNED_FIXTURE);
  ASSERT_GT(package.size(), signing::kSignedTailSize);
  for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, package.size()})
    EXPECT_EQ(Check(package, chunk), Verdict::Valid) << "chunk " << chunk;
  EXPECT_EQ(signing::VerifyPackageFile(L"" ZVK_SIGNED_FIXTURE, TestKey()), Verdict::Valid);
  EXPECT_EQ(signing::VerifyPackageFile(L"" ZVK_SIGNED_FIXTURE ".missing", TestKey()), Verdict::Unreadable);
}

TEST(PackageVerifier, AlteredPackagesAreRefused) {
  const Bytes signedPackage = ReadBytes(ZVK_SIGNED_FIXTURE);
  const std::size_t size = signedPackage.size();
  const std::size_t commentLength = size - signing::kCommentSize - 2;
  const auto flip = [](std::size_t at) { return [at](Bytes& b) { b[at] ^= 0x01; }; };
  struct Case {
    const char* what;
    std::function<void(Bytes&)> change;
    Verdict expected;
  };
  const Case cases[] = {
      {"first byte", flip(0), Verdict::BadSignature},
      {"entry data", flip(size / 3), Verdict::BadSignature},
      {"central directory", flip(size - signing::kSignedTailSize - 10), Verdict::BadSignature},
      {"end record's entry count", flip(size - signing::kSignedTailSize + 10), Verdict::BadSignature},
      {"last signed byte", flip(commentLength - 1), Verdict::BadSignature},
      {"signature digit", [&](Bytes& b) { b[size - 1] = b[size - 1] == '0' ? '1' : '0'; },
       Verdict::BadSignature},
      {"non-hex signature digit", [&](Bytes& b) { b[size - 1] = 'G'; }, Verdict::Malformed},
      {"comment length", flip(commentLength), Verdict::Malformed},
      {"comment removed",
       [&](Bytes& b) {
         b.resize(commentLength + 2);
         b[commentLength] = b[commentLength + 1] = 0;
       },
       Verdict::Unsigned},
      {"byte appended", [](Bytes& b) { b.push_back(0); }, Verdict::Unsigned},
      {"last byte cut", [](Bytes& b) { b.pop_back(); }, Verdict::Unsigned},
      {"empty file", [](Bytes& b) { b.clear(); }, Verdict::Unsigned},
  };
  for (const Case& c : cases) {
    Bytes package = signedPackage;
    c.change(package);
    EXPECT_EQ(Check(package, 4096), c.expected) << c.what;
  }
}

// Format 2 (a package with a release manifest) signs its tag: neither format
// can be passed off as the other by rewriting the tag's digit.
TEST(PackageVerifier, FormatTwoVerifiesAndNeitherFormatTakesTheOthersTag) {
  for (const char* fixture : {ZVK_SIGNED_RELEASE_FIXTURE, ZVK_SIGNED_FIXTURE}) {
    Bytes package = ReadBytes(fixture);
    ASSERT_EQ(Check(package, 4096), Verdict::Valid) << fixture;
    std::uint8_t& digit = package[package.size() - signing::kCommentSize + 6];
    ASSERT_TRUE(digit == '1' || digit == '2') << fixture;
    digit = digit == '1' ? '2' : '1';
    EXPECT_EQ(Check(package, 4096), Verdict::BadSignature) << fixture;
  }
}

TEST(PublicKeyPem, OnlyP256PublicKeysParse) {
  const Bytes pemBytes = ReadBytes(ZVK_TEST_PUBLIC_KEY);
  const std::string pem(pemBytes.begin(), pemBytes.end());
  signing::PublicKey key;
  std::string error;
  ASSERT_TRUE(signing::ParsePublicKeyPem(pem, key, error));
  EXPECT_EQ(signing::FormatPublicKeyPem(key), pem);

  const std::size_t body = pem.find('\n') + 1;
  std::string otherCurve = pem;
  otherCurve[body + 30] = otherCurve[body + 30] == 'A' ? 'B' : 'A';  // inside the curve's identifier
  std::string badBase64 = pem;
  badBase64[body + 3] = '!';
  const std::string refused[] = {
      "",
      "-----BEGIN PUBLIC KEY-----\n-----END PUBLIC KEY-----\n",
      otherCurve,
      badBase64,
      pem.substr(0, body) + pem.substr(body + 4),
  };
  for (const std::string& text : refused) EXPECT_FALSE(signing::ParsePublicKeyPem(text, key, error)) << text;
}

}  // namespace
