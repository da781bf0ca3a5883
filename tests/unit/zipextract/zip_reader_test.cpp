#include "zipextract/zip_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "platform/file_system.h"
#include "tests/unit/zipextract/zip_builder.h"
#include "zipextract/extract_zip_to_dir.h"
#include "zipextract/zip_entry_meta.h"
#include "zipextract/zip_entry_name.h"

namespace fs = std::filesystem;
using ziptest::EntrySpec;

namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() % 16);  // compressible, not trivially
  return bytes;
}

class ZipReaderTest : public ::testing::Test {
 protected:
  fs::path archive() const { return temp_.path() / "package.zip"; }
  fs::path root() const { return temp_.path() / "root"; }

  void Write(const std::vector<EntrySpec>& entries) {
    ASSERT_TRUE(ziptest::WriteArchive(archive(), entries));
  }

  ZipResult Open() { return reader_.open(archive().wstring(), root().wstring()); }

  // The names of everything under the temporary folder but outside the root.
  std::vector<std::string> StrayFiles() const {
    std::vector<std::string> stray;
    for (const auto& item : fs::recursive_directory_iterator(temp_.path())) {
      const fs::path relative = fs::relative(item.path(), root());
      if (item.path() != archive() && item.path() != root() && relative.begin()->string() == "..")
        stray.push_back(item.path().string());
    }
    return stray;
  }

  bool HasTemporaryFiles(const fs::path& folder) const {
    for (const auto& item : fs::directory_iterator(folder))
      if (item.path().filename().string().rfind("~zx", 0) == 0) return true;
    return false;
  }

  ziptest::TempFolder temp_;
  ZipReader reader_;
};

TEST_F(ZipReaderTest, CountsEntriesAndRefusesIndicesOutOfRange) {
  Write({{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  ASSERT_EQ(reader_.entryInfo(-1, info), ZipOk);
  EXPECT_EQ(info.index, 3);
  EXPECT_EQ(reader_.entryInfo(3, info), ZipErrArgs);
  EXPECT_EQ(reader_.entryInfo(-2, info), ZipErrArgs);
  EXPECT_EQ(reader_.extractEntry(3, L"c.txt"), ZipErrArgs);
  EXPECT_EQ(reader_.extractEntry(-1, L"c.txt"), ZipErrArgs);
  EXPECT_EQ(LastZipResult(), ZipErrArgs);
}

TEST_F(ZipReaderTest, OpenRefusesNonArchivesMissingFilesAndASecondOpen) {
  ziptest::WriteBytes(archive(), "this is not a zip archive at all");
  EXPECT_EQ(Open(), ZipErrNoFile);
  EXPECT_EQ(reader_.open((temp_.path() / "missing.zip").wstring(), root().wstring()), ZipErrNoFile);
  Write({{"a.txt", "a"}});
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(Open(), ZipErrAlreadyOpen);
  EXPECT_EQ(reader_.close(), ZipOk);
  EXPECT_EQ(reader_.open(archive().wstring(), L""), ZipErrArgs);
}

TEST_F(ZipReaderTest, StoredAndDeflatedEntriesRoundTripThroughTheBuffer) {
  const std::string big = RandomBytes(100000, 1);
  Write({{"stored.bin", big, 0}, {"deflated.bin", big, Z_DEFLATED}, {"small.txt", "hello", Z_DEFLATED}});
  ASSERT_EQ(Open(), ZipOk);
  for (int index = 0; index < 3; ++index) {
    ZipEntryInfo info;
    ASSERT_EQ(reader_.entryInfo(index, info), ZipOk);
    EXPECT_EQ(reader_.extractEntry(index, info.name), ZipOk) << index;
  }
  EXPECT_EQ(ziptest::ReadBytes(root() / "stored.bin"), big);
  EXPECT_EQ(ziptest::ReadBytes(root() / "deflated.bin"), big);
  EXPECT_EQ(ziptest::ReadBytes(root() / "small.txt"), "hello");
  EXPECT_FALSE(HasTemporaryFiles(root()));
}

TEST_F(ZipReaderTest, GoingBackAndForthExtractsTheRequestedEntry) {
  Write({{"a.txt", "first"}, {"b.txt", "second"}, {"c.txt", "third"}});
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  ASSERT_EQ(reader_.entryInfo(2, info), ZipOk);
  ASSERT_EQ(reader_.entryInfo(0, info), ZipOk);
  EXPECT_EQ(info.name, L"a.txt");
  ASSERT_EQ(reader_.extractEntry(2, L"out.txt"), ZipOk);
  EXPECT_EQ(ziptest::ReadBytes(root() / "out.txt"), "third");
  ASSERT_EQ(reader_.extractEntry(1, L"out.txt"), ZipOk);
  EXPECT_EQ(ziptest::ReadBytes(root() / "out.txt"), "second");
}

TEST_F(ZipReaderTest, NestedNamesCreateTheirDirectoriesAndDirectoryEntriesOnlyADirectory) {
  EntrySpec docs{"docs/", ""};
  docs.externalAttributes = 0x10;
  Write({{"sub/dir/file.txt", "nested"}, docs});
  EXPECT_EQ(ExtractArchive(archive().wstring(), root().wstring()), ZipOk);
  EXPECT_EQ(ziptest::ReadBytes(root() / "sub" / "dir" / "file.txt"), "nested");
  EXPECT_TRUE(fs::is_directory(root() / "docs"));
  EXPECT_TRUE(fs::is_empty(root() / "docs"));
}

TEST_F(ZipReaderTest, ForgedEntryCountEndsWithTheCentralDirectory) {
  Write({{"a.txt", "alpha"}, {"b.txt", "beta"}});
  std::string bytes = ziptest::ReadBytes(archive());
  const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
  ASSERT_NE(end, std::string::npos);
  for (std::size_t field : {end + 8, end + 10}) {  // entries on this disk, entries in all
    bytes[field] = static_cast<char>(0xE8);
    bytes[field + 1] = static_cast<char>(0xFD);  // 65000
  }
  ziptest::WriteBytes(archive(), bytes);
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  ASSERT_EQ(reader_.entryInfo(-1, info), ZipOk);
  EXPECT_EQ(info.index, 65000);
  EXPECT_EQ(reader_.entryInfo(2, info), ZipErrCorrupt);
  ASSERT_EQ(reader_.entryInfo(-1, info), ZipOk);
  EXPECT_EQ(info.index, 2);
  EXPECT_EQ(reader_.entryInfo(3, info), ZipErrArgs);
  reader_.close();

  // A package whose directory lies about itself is not applied at all.
  EXPECT_EQ(ExtractArchive(archive().wstring(), root().wstring()), ZipErrCorrupt);
  EXPECT_TRUE(fs::is_empty(root()));
}

TEST_F(ZipReaderTest, SlashEndedNameWithoutDirectoryAttributeMakesOnlyItsFolders) {
  EntrySpec folder{"assets/icons/", ""};
  folder.externalAttributes = 0;
  Write({folder});
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"assets/icons/"), ZipErrNoFile);
  EXPECT_TRUE(fs::is_directory(root() / "assets" / "icons"));
  EXPECT_FALSE(HasTemporaryFiles(root() / "assets" / "icons"));
}

TEST_F(ZipReaderTest, EmptyEntryIsAnEmptyFileWithItsTimes) {
  EntrySpec empty{"empty.txt", ""};
  empty.localExtra = ziptest::UtBlock(1, {86400});
  Write({empty});
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"empty.txt"), ZipOk);
  EXPECT_EQ(fs::file_size(root() / "empty.txt"), 0u);
  struct stat status {};
  ASSERT_EQ(stat((root() / "empty.txt").string().c_str(), &status), 0);
  EXPECT_EQ(status.st_mtime, 86400);
}

TEST_F(ZipReaderTest, UtBlockWithFlagOneSetsOnlyTheWriteTime) {
  EntrySpec entry{"t.txt", "x"};
  entry.localExtra = ziptest::UtBlock(1, {0});
  Write({entry});
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  ASSERT_EQ(reader_.entryInfo(0, info), ZipOk);
  const std::uint64_t dos = platform::LocalFileTimeToUtc(DosDateTimeToFileTime(entry.dosDateTime));
  EXPECT_EQ(info.writeTime, 116444736000000000ULL);
  EXPECT_EQ(info.accessTime, dos);
  EXPECT_EQ(info.createTime, dos);
  EXPECT_EQ(info.uncompressedSize, 1u);
}

TEST_F(ZipReaderTest, UnixReadOnlyEntryIsWrittenReadOnlyAndNotReplacedAgain) {
  EntrySpec entry{"ro.txt", "locked"};
  entry.versionMadeBy = 0x0314;
  entry.externalAttributes = 0x81240000u;  // r--r--r--
  Write({entry});
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  ASSERT_EQ(reader_.entryInfo(0, info), ZipOk);
  EXPECT_EQ(info.attributes, 0x21u);
  ASSERT_EQ(reader_.extractEntry(0, info.name), ZipOk);
  EXPECT_EQ(fs::status(root() / "ro.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(reader_.extractEntry(0, info.name), ZipErrNoFile);
  EXPECT_EQ(ziptest::ReadBytes(root() / "ro.txt"), "locked");
  EXPECT_FALSE(HasTemporaryFiles(root()));
}

TEST_F(ZipReaderTest, TraversalAttemptsOfEveryShapeWriteNothingOutsideTheRoot) {
  std::vector<EntrySpec> entries;
  for (const char* name :
       {"../evil1.txt", "a/../../evil2.txt", "/..\\evil3.txt", "..\\..\\evil4.txt", "ok/../../../evil5.txt",
        "C:..\\evil6.txt", "good.txt:stream", ".. /evil7.txt", "../", "good.txt"}) {
    entries.emplace_back(name, "payload");
  }
  Write(entries);
  EXPECT_EQ(ExtractArchive(archive().wstring(), root().wstring()), ZipErrNoFile);
  EXPECT_FALSE(fs::exists(root() / "good.txt"));
  EXPECT_TRUE(StrayFiles().empty()) << StrayFiles().front();

  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(9, (temp_.path() / "abs.txt").wstring()), ZipErrNoFile);
  EXPECT_EQ(reader_.extractEntry(9, L"../sibling.txt"), ZipErrNoFile);
  EXPECT_EQ(reader_.extractEntry(9, L"C:\\x.txt"), ZipErrNoFile);
  EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(ZipReaderTest, OverlongNamesAndPathsAreRefusedNotCut) {
  const std::string longName(300, 'n');
  const std::string fits(kMaxZipPath, 'f');
  Write({{longName, "x"}, {fits, "y"}});
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  EXPECT_EQ(reader_.entryInfo(0, info), ZipErrNoFile);
  EXPECT_EQ(reader_.extractEntry(0, std::wstring(longName.begin(), longName.end())), ZipErrNoFile);
  ASSERT_EQ(reader_.entryInfo(1, info), ZipOk);
  EXPECT_EQ(info.name.size(), kMaxZipPath);
  EXPECT_EQ(reader_.extractEntry(1, info.name), ZipErrNoFile);  // root + name is too long
  EXPECT_TRUE(!fs::exists(root()) || fs::is_empty(root()));
}

TEST_F(ZipReaderTest, CorruptDataLeavesTheOldFileIntact) {
  Write({{"keep.txt", RandomBytes(50000, 2), Z_DEFLATED}});
  std::string bytes = ziptest::ReadBytes(archive());
  const std::size_t data = ziptest::DataOffset(bytes, "keep.txt");
  for (std::size_t i = 0; i < 64; ++i) bytes[data + 100 + i] = static_cast<char>(~bytes[data + 100 + i]);
  ziptest::WriteBytes(archive(), bytes);
  fs::create_directories(root());
  ziptest::WriteBytes(root() / "keep.txt", "old contents");

  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"keep.txt"), ZipErrData);
  EXPECT_EQ(ziptest::ReadBytes(root() / "keep.txt"), "old contents");
  EXPECT_FALSE(HasTemporaryFiles(root()));
}

TEST_F(ZipReaderTest, CrcMismatchIsADataErrorAndWritesNothing) {
  Write({{"stored.txt", "exactly these bytes", 0}});
  std::string bytes = ziptest::ReadBytes(archive());
  bytes[ziptest::DataOffset(bytes, "stored.txt") + 3] ^= 0x20;
  ziptest::WriteBytes(archive(), bytes);
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"stored.txt"), ZipErrData);
  EXPECT_FALSE(fs::exists(root() / "stored.txt"));
  EXPECT_FALSE(HasTemporaryFiles(root()));
}

TEST_F(ZipReaderTest, LocalHeaderContradictingTheCentralRecordIsCorrupt) {
  Write({{"a.txt", "alpha", 0}, {"b.txt", "beta", 0}});
  std::string bytes = ziptest::ReadBytes(archive());
  bytes[ziptest::LocalHeaderOffset(bytes, "a.txt") + 8] = 8;  // method: deflate, central says stored
  ziptest::WriteBytes(archive(), bytes);
  ASSERT_EQ(Open(), ZipOk);
  ZipEntryInfo info;
  EXPECT_EQ(reader_.entryInfo(0, info), ZipErrCorrupt);
  EXPECT_EQ(reader_.extractEntry(0, L"a.txt"), ZipErrCorrupt);
  EXPECT_EQ(reader_.extractEntry(1, L"b.txt"), ZipOk);
  EXPECT_FALSE(fs::exists(root() / "a.txt"));
}

TEST_F(ZipReaderTest, EncryptedEntriesFailThePasswordCheckOrCannotBeRead) {
  EntrySpec empty{"empty-password.txt", "secret", 0};
  empty.encrypted = true;
  EntrySpec wrong{"wrong-password.txt", "secret", 0};
  wrong.encrypted = true;
  Write({empty, wrong});
  std::string bytes = ziptest::ReadBytes(archive());
  // Flipping the last header byte flips the decrypted check byte.
  bytes[ziptest::DataOffset(bytes, "wrong-password.txt") + 11] ^= 0x01;
  ziptest::WriteBytes(archive(), bytes);
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(1, L"wrong-password.txt"), ZipErrPassword);
  EXPECT_EQ(reader_.extractEntry(0, L"empty-password.txt"), ZipErrData);
  EXPECT_TRUE(!fs::exists(root()) || fs::is_empty(root()));
}

}  // namespace
