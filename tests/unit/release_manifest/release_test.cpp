// The release library: digests, version order, and manifests as untrusted input.
#include <gtest/gtest.h>

#include <random>

#include "release/manifest.h"
#include "release/release_plan.h"
#include "release/sha256.h"
#include "release/version.h"

namespace {

std::string Hex(const std::string& data) {
  return release::DigestHex(release::Sha256Of(data.data(), data.size()));
}

// FIPS 180-4 examples, and every length around the block and padding
// boundaries, fed in uneven pieces, alike in the portable and the SHA-NI code.
TEST(Sha256, KnownDigestsAndBothCompressionsAgree) {
  EXPECT_EQ(Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  const release::detail::CompressFunction fast = release::detail::AcceleratedCompress();
  if (fast == nullptr) GTEST_SKIP() << "this processor has no SHA extensions";
  std::mt19937 random(5);
  std::string data(300, '\0');
  for (char& c : data) c = static_cast<char>(random());
  for (std::size_t length = 0; length <= data.size(); ++length) {
    std::string digests[2];
    for (int engine = 0; engine < 2; ++engine) {
      release::detail::UseCompress(engine == 0 ? &release::detail::CompressPortable : fast);
      release::Sha256 hash;
      for (std::size_t at = 0; at < length; at += 7)
        hash.Update(data.data() + at, std::min<std::size_t>(7, length - at));
      digests[engine] = release::DigestHex(hash.Finish());
    }
    EXPECT_EQ(digests[0], digests[1]) << length;
  }
  release::detail::UseCompress(nullptr);
}

TEST(Version, PartsCompareAsNumbersAndBadTextIsRefused) {
  using release::Version;
  EXPECT_LT(*Version::Parse("2.9"), *Version::Parse("2.10"));
  EXPECT_EQ(*Version::Parse("2.4"), *Version::Parse("2.4.0"));
  EXPECT_GT(*Version::Parse("10"), *Version::Parse("9.99.99"));
  for (const char* bad :
       {"", "1.", ".1", "1..2", "v1", "1.2a", "-1", "1 2", "1234567890", "1.2.3.4.5.6.7.8.9"})
    EXPECT_FALSE(Version::Parse(bad)) << bad;
}

const char kDelta[] =
    "zvk-release 1\nproduct client\nversion 2.0\nkind delta\nbase 1.0\n"
    "full-package 99 0123456789abcdef0123456789abcdef "
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 https://h.example/full.zip\n"
    "add 3 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 bin/a b.dll\n"
    "keep 0 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 c.txt\n"
    "remove old.dll\n";

TEST(Manifest, ReadsWhatItWritesAndRefusesEveryDeparture) {
  release::Manifest manifest;
  std::string error;
  ASSERT_TRUE(release::ParseManifest(kDelta, manifest, error)) << error;
  EXPECT_EQ(release::FormatManifest(manifest), kDelta);
  EXPECT_EQ(manifest.find("bin/a b.dll")->size, 3u);
  const std::string e3 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  const std::pair<std::string, std::string> edits[] = {
      {"zvk-release 1\n", "zvk-release 2\n"},
      {"kind delta\nbase 1.0\n", "kind delta\n"},
      {"base 1.0", "base 2.0"},
      {"kind delta", "kind full"},
      {"product client", "product ../x"},
      {"add 3 ", "add 03 "},
      {"add 3 ", "add 2147483648 "},
      {"add 3 " + e3, "add 3 " + e3.substr(1) + "E"},
      {"bin/a b.dll", "../a.dll"},
      {"bin/a b.dll", "~zvk-apply-installed"},
      {"bin/a b.dll", "bin/"},
      {"remove old.dll", "remove C.TXT"},
      {"c.txt\n", "c.txt\r\n"},
      {"c.txt\nremove", "c.txt\nadd 0 " + e3 + " a.txt\nremove"},
      {"remove old.dll\n", "remove old.dll"},
      {"https://h.example/full.zip", "file:///etc/passwd"},
      {"remove old.dll\n", "remove old.dll\nproduct again\n"},
      // Names Windows would read as another file, a device, or outside the folder.
      {"bin/a b.dll", "bin/./a.dll"},
      {"bin/a b.dll", "bin//a.dll"},
      {"bin/a b.dll", "bin/a.dll:stream"},
      {"bin/a b.dll", "bin/a.dll."},
      {"bin/a b.dll", "bin/nul .txt"},
      {"bin/a b.dll", "bin/CONIN$"},
      {"bin/a b.dll", "bin/COM\xC2\xB9.dll"},
      {"remove old.dll", "remove ."},
      // One file twice as Windows compares names, or a file and a folder at once.
      {"c.txt\nremove old.dll", "\xC3\xA9.txt\nremove \xC3\x89.txt"},
      {"remove old.dll", "remove BIN"},
      {"remove old.dll", "remove c.txt/old.dll"},
  };
  for (const auto& [from, to] : edits) {
    std::string text = kDelta;
    text.replace(text.find(from), from.size(), to);
    EXPECT_FALSE(release::ParseManifest(text, manifest, error)) << to;
  }
}

// A delta that keeps "foo.dll" over an installation listing "Foo.dll" keeps
// that file: on Windows both names are the one file.
TEST(ReleasePlan, NameDifferingOnlyInLetterCaseIsNotRemoved) {
  const std::string e3 = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  release::InstalledRelease installed;
  std::string error;
  ASSERT_TRUE(release::ParseManifest(
      "zvk-release 1\nproduct client\nversion 1.0\nkind full\nadd 0 " + e3 + " Foo.dll\nadd 0 " + e3 +
          " old.txt\nadd 0 " + e3 + " \xC3\x89.txt\n",
      installed.manifest, error))
      << error;
  installed.state = release::RecordState::Present;
  release::Manifest delta;
  ASSERT_TRUE(release::ParseManifest("zvk-release 1\nproduct client\nversion 2.0\nkind delta\nbase 1.0\n"
                                     "keep 0 " + e3 + " foo.dll\nadd 0 " + e3 + " \xC3\xA9.txt\n",
                                     delta, error))
      << error;
  const release::ReleasePlan plan = release::PlanRelease(&delta, installed);
  EXPECT_EQ(plan.verdict, release::ReleaseVerdict::Install) << plan.reason;
  EXPECT_EQ(plan.removals, std::vector<std::string>{"old.txt"});
}

}  // namespace
