#include "zipextract/zip_entry_meta.h"

#include <gtest/gtest.h>

namespace {
constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;
constexpr std::uint64_t kSecond = 10000000ULL;
}  // namespace

TEST(ZipEntryMeta, UnixHostAttributesFollowTheOwnerWriteAndDirectoryBits) {
  EXPECT_EQ(EntryAttributes(0x0314, 0x81A40000u | 0x00800000u), 0x20u);
  EXPECT_EQ(EntryAttributes(0x0314, 0x81240000u), 0x21u);
  EXPECT_EQ(EntryAttributes(0x0314, 0x41ED0000u), 0x30u);
}

TEST(ZipEntryMeta, DosHostsCarryWindowsAttributesDirectly) {
  EXPECT_EQ(EntryAttributes(0x0014, 0x27), 0x27u);
  EXPECT_EQ(EntryAttributes(0x0B14, 0x10), 0x10u);
  EXPECT_EQ(EntryAttributes(0x0E00, 0x00), 0x00u);
}

TEST(ZipEntryMeta, DosDateTimeConvertsToFileTime) {
  EXPECT_EQ(DosDateTimeToFileTime(0x00210000), kUnixEpoch + 315532800ULL * kSecond);  // 1980-01-01
  // 2021-05-04 12:00:02
  EXPECT_EQ(DosDateTimeToFileTime(0x52A46001), kUnixEpoch + 1620129602ULL * kSecond);
  // Month 0 and day 0 are clamped rather than wrapping into another year.
  EXPECT_EQ(DosDateTimeToFileTime(0x00000000), DosDateTimeToFileTime(0x00210000));
}

TEST(ZipEntryMeta, ExtendedTimestampWithFlagOneReplacesOnlyTheWriteTime) {
  const unsigned char field[] = {'U', 'T', 5, 0, 1, 0, 0, 0, 0};
  ZipEntryInfo info;
  info.accessTime = info.createTime = info.writeTime = 42;
  ApplyExtendedTimestamp(field, sizeof field, info);
  EXPECT_EQ(info.writeTime, kUnixEpoch);
  EXPECT_EQ(info.accessTime, 42u);
  EXPECT_EQ(info.createTime, 42u);
}

TEST(ZipEntryMeta, ExtendedTimestampIsFoundAfterOtherBlocksAndTakesOnlyWholeTimes) {
  // An unrelated block, then "UT" with all three flags but only two times present.
  const unsigned char field[] = {'x', 'y', 2, 0, 9, 9, 'U', 'T', 13, 0, 7, 10, 0, 0, 0, 20, 0, 0, 0, 30, 0};
  ZipEntryInfo info;
  info.createTime = 7;
  ApplyExtendedTimestamp(field, sizeof field, info);
  EXPECT_EQ(info.writeTime, kUnixEpoch + 10 * kSecond);
  EXPECT_EQ(info.accessTime, kUnixEpoch + 20 * kSecond);
  EXPECT_EQ(info.createTime, 7u);
}

TEST(ZipEntryMeta, OversizedBlockLengthsEndTheScan) {
  const unsigned char field[] = {'x', 'y', 0xFF, 0xFF, 'U', 'T', 5, 0, 1, 0, 0, 0, 0};
  ZipEntryInfo info;
  ApplyExtendedTimestamp(field, sizeof field, info);
  EXPECT_EQ(info.writeTime, 0u);
}
