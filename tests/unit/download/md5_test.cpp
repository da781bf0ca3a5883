#include "updater/download/md5.h"

#include <gtest/gtest.h>

#include "tests/unit/download/test_support.h"

namespace {

using download_test::MakePackage;
using download_test::Md5Of;

TEST(Md5, MatchesTheRfc1321TestSuite) {
  EXPECT_EQ(Md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Of("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Of("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Of("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecewiseUpdatesGiveTheSameDigestAsOneUpdate) {
  const std::string data = MakePackage(10000, 7);
  for (std::size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 4095u}) {
    MD5_CTX context;
    for (std::size_t at = 0; at < data.size(); at += piece) {
      context.Update(data.data() + at, std::min(piece, data.size() - at));
    }
    std::uint8_t digest[16];
    context.Final(digest);
    EXPECT_EQ(MD5_CTX::ToHex(digest), Md5Of(data)) << "piece " << piece;
  }
}

class Md5File : public download_test::EngineTest {};

TEST_F(Md5File, DigestOfAFileLargerThanOneReadBlockMatchesTheInMemoryDigest) {
  const std::string data = MakePackage((1 << 20) * 2 + 12345, 3);
  download_test::WriteWholeFile(File("big"), data);
  std::string hex;
  ASSERT_TRUE(MD5_CTX::DigestFile(File("big").string(), hex));
  EXPECT_EQ(hex, Md5Of(data));
}

TEST_F(Md5File, MissingFileHasNoDigest) {
  std::string hex = "previous";
  EXPECT_FALSE(MD5_CTX::DigestFile(File("absent").string(), hex));
  EXPECT_TRUE(hex.empty());
}

}  // namespace
