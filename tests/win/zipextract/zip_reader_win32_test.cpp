// The reader against the real Win32 file system: attributes and the three
// file times as Windows reports them, and replacing protected files.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/unit/zipextract/zip_builder.h"
#include "win_file_helpers.h"
#include "zipextract/zip_entry_meta.h"
#include "zipextract/zip_reader.h"

namespace fs = std::filesystem;
using ziptest::EntrySpec;

namespace {

constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;
constexpr std::uint64_t kSecond = 10000000ULL;

class ZipReaderWin32 : public ::testing::Test {
 protected:
  fs::path archive() const { return temp_.path() / "package.zip"; }
  fs::path root() const { return temp_.path() / "root"; }
  ZipResult Open() { return reader_.open(archive().wstring(), root().wstring()); }

  ziptest::TempFolder temp_;
  ZipReader reader_;
};

TEST_F(ZipReaderWin32, ReadOnlyHiddenAndSystemAttributesReachTheFile) {
  EntrySpec entry{"flags.txt", "attributes", 0};
  entry.externalAttributes = 0x27;
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {entry}));
  ASSERT_EQ(Open(), ZipOk);
  ASSERT_EQ(reader_.extractEntry(0, L"flags.txt"), ZipOk);
  const DWORD attributes = ziptest::Attributes(root() / "flags.txt");
  EXPECT_EQ(attributes & 0x27u, 0x27u);
  EXPECT_EQ(ziptest::ReadBytes(root() / "flags.txt"), "attributes");
}

TEST_F(ZipReaderWin32, ThreeFileTimesComeFromTheUtBlock) {
  EntrySpec entry{"times.txt", "t"};
  entry.localExtra = ziptest::UtBlock(7, {1000000000, 1100000000, 1200000000});
  EntrySpec dosOnly{"dos.txt", "d"};
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {entry, dosOnly}));
  ASSERT_EQ(Open(), ZipOk);
  ASSERT_EQ(reader_.extractEntry(0, L"times.txt"), ZipOk);
  ASSERT_EQ(reader_.extractEntry(1, L"dos.txt"), ZipOk);
  ziptest::FileTimesRead times;
  ASSERT_TRUE(ziptest::ReadTimes(root() / "times.txt", times));
  EXPECT_EQ(times.write, kUnixEpoch + 1000000000ULL * kSecond);
  EXPECT_EQ(times.access, kUnixEpoch + 1100000000ULL * kSecond);
  if (ziptest::KeepsCreationTime(root())) {
    EXPECT_EQ(times.creation, kUnixEpoch + 1200000000ULL * kSecond);
  } else {
    std::printf("creation time not kept by this file system; not checked\n");
  }

  FILETIME local{}, utc{};
  const std::uint64_t dos = DosDateTimeToFileTime(dosOnly.dosDateTime);
  local.dwLowDateTime = static_cast<DWORD>(dos);
  local.dwHighDateTime = static_cast<DWORD>(dos >> 32);
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  ASSERT_TRUE(ziptest::ReadTimes(root() / "dos.txt", times));
  EXPECT_EQ(times.write, ziptest::ToU64(utc));
  EXPECT_EQ(times.access, ziptest::ToU64(utc));
}

TEST_F(ZipReaderWin32, ReadOnlyEntryCannotBeExtractedOverItself) {
  EntrySpec entry{"ro.txt", "first", 0};
  entry.externalAttributes = 0x21;
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {entry}));
  ASSERT_EQ(Open(), ZipOk);
  ASSERT_EQ(reader_.extractEntry(0, L"ro.txt"), ZipOk);
  EXPECT_EQ(ziptest::Attributes(root() / "ro.txt") & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_EQ(reader_.extractEntry(0, L"ro.txt"), ZipErrNoFile);
  EXPECT_EQ(ziptest::ReadBytes(root() / "ro.txt"), "first");
  EXPECT_EQ(std::distance(fs::directory_iterator(root()), fs::directory_iterator()), 1);
}

TEST_F(ZipReaderWin32, HiddenSystemFileIsReplaced) {
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {EntrySpec{"h.txt", "new"}}));
  fs::create_directories(root());
  ziptest::WriteBytes(root() / "h.txt", "old");
  ASSERT_TRUE(SetFileAttributesW((root() / "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"h.txt"), ZipOk);
  EXPECT_EQ(ziptest::ReadBytes(root() / "h.txt"), "new");
  EXPECT_EQ(ziptest::Attributes(root() / "h.txt") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
}

TEST_F(ZipReaderWin32, TargetHeldOpenByAnotherProgramIsLeftAsItWas) {
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {EntrySpec{"busy.dll", "new"}}));
  fs::create_directories(root());
  ziptest::WriteBytes(root() / "busy.dll", "old");
  HANDLE busy = CreateFileW((root() / "busy.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"busy.dll"), ZipErrNoFile);
  CloseHandle(busy);
  EXPECT_EQ(ziptest::ReadBytes(root() / "busy.dll"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(root()), fs::directory_iterator()), 1);
}

TEST_F(ZipReaderWin32, ArchiveOpensWhileAnotherReaderHoldsIt) {
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {EntrySpec{"a.txt", "a"}}));
  HANDLE other =
      CreateFileW(archive().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"a.txt"), ZipOk);
  reader_.close();
  CloseHandle(other);
}

TEST_F(ZipReaderWin32, AlternateStreamsAndDriveRelativeNamesAreRefused) {
  ASSERT_TRUE(ziptest::WriteArchive(archive(), {EntrySpec{"a.txt", "a"}}));
  ASSERT_EQ(Open(), ZipOk);
  EXPECT_EQ(reader_.extractEntry(0, L"a.txt:hidden"), ZipErrNoFile);
  EXPECT_EQ(reader_.extractEntry(0, L"C:a.txt"), ZipErrNoFile);
  EXPECT_EQ(reader_.extractEntry(0, L"sub\\..\\..\\a.txt"), ZipErrNoFile);
  EXPECT_EQ(reader_.extractEntry(0, L"sub\\... \\a.txt"), ZipErrNoFile);
  EXPECT_FALSE(fs::exists(temp_.path() / "a.txt"));
}

}  // namespace
