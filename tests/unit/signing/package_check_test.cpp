// The check a program built with a publisher key runs while its pass over
// the package feeds it (the hash on a thread of its own).
#include "signing/package_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Fixture() {
  std::ifstream in(ZVK_SIGNED_FIXTURE, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

signing::Verdict Feed(const Bytes& package, std::size_t chunk) {
  signing::PackageCheck check(package.size());
  for (std::size_t at = 0; at < package.size(); at += chunk)
    check.Update(package.data() + at, std::min(chunk, package.size() - at));
  return check.Finish();
}

TEST(PackageCheck, KeyedBuildJudgesThePackageItIsFed) {
  ASSERT_TRUE(signing::PackageSigningEnabled());
  const Bytes package = Fixture();
  for (std::size_t chunk : {std::size_t{1}, std::size_t{100}, package.size()})
    EXPECT_EQ(Feed(package, chunk), signing::Verdict::Valid) << chunk;
  Bytes altered = package;
  altered[altered.size() / 2] ^= 0x40;
  EXPECT_EQ(Feed(altered, 512), signing::Verdict::BadSignature);
  EXPECT_EQ(signing::CheckPackageFile(L"" ZVK_SIGNED_FIXTURE), signing::Verdict::Valid);
  {
    signing::PackageCheck abandoned(package.size());
    abandoned.Update(package.data(), 1000);
  }  // ends its worker without Finish
}

}  // namespace
