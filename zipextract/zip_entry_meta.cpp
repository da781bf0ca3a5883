#include "zipextract/zip_entry_meta.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

std::uint32_t ReadLittle16(const unsigned char* p) { return p[0] | (p[1] << 8); }

std::int32_t ReadLittle32(const unsigned char* p) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}

}  // namespace

std::uint32_t EntryAttributes(std::uint32_t versionMadeBy, std::uint32_t externalAttributes) {
  const std::uint32_t host = (versionMadeBy >> 8) & 0xFF;
  const std::uint32_t a = externalAttributes;
  bool directory = (a & 0x40000000u) != 0;
  bool readOnly = (a & 0x00800000u) == 0;
  bool hidden = false;
  bool system = false;
  bool archive = true;
  if (host == 0 || host == 7 || host == 11 || host == 14) {
    readOnly = (a & 0x01) != 0;
    hidden = (a & 0x02) != 0;
    system = (a & 0x04) != 0;
    directory = (a & 0x10) != 0;
    archive = (a & 0x20) != 0;
  }
  return (directory ? 0x10u : 0u) | (archive ? 0x20u : 0u) | (hidden ? 0x02u : 0u) | (readOnly ? 0x01u : 0u) |
         (system ? 0x04u : 0u);
}

std::uint64_t DosDateTimeToFileTime(std::uint32_t dosDateTime) {
  const std::uint32_t date = dosDateTime >> 16;
  const std::uint32_t time = dosDateTime & 0xFFFF;
  const std::int64_t year = 1980 + ((date >> 9) & 0x7F);
  const unsigned month = std::clamp<unsigned>((date >> 5) & 0x0F, 1, 12);
  const unsigned day = std::clamp<unsigned>(date & 0x1F, 1, 31);
  const std::int64_t hour = std::min<std::uint32_t>((time >> 11) & 0x1F, 23);
  const std::int64_t minute = std::min<std::uint32_t>((time >> 5) & 0x3F, 59);
  const std::int64_t second = std::min<std::uint32_t>(2 * (time & 0x1F), 59);
  const std::int64_t unixSeconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return static_cast<std::uint64_t>(unixSeconds + kSecondsFrom1601To1970) * kTicksPerSecond;
}

std::uint64_t UnixTimeToFileTime(std::int32_t seconds) {
  return static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond;
}

void ApplyExtendedTimestamp(const unsigned char* field, std::size_t length, ZipEntryInfo& info) {
  if (field == nullptr || length <= 4) return;
  std::size_t offset = 0;
  while (offset + 4 < length) {
    const unsigned char* block = field + offset;
    const std::size_t dataSize = ReadLittle16(block + 2);
    if (block[0] != 'U' || block[1] != 'T') {
      offset += 4 + dataSize;
      continue;
    }
    const unsigned flags = block[4];
    std::size_t timeOffset = offset + 5;
    std::uint64_t* const targets[] = {&info.writeTime, &info.accessTime, &info.createTime};
    for (unsigned bit = 0; bit < 3; ++bit) {
      if ((flags & (1u << bit)) == 0) continue;
      if (timeOffset + 4 <= length) *targets[bit] = UnixTimeToFileTime(ReadLittle32(field + timeOffset));
      timeOffset += 4;
    }
    return;
  }
}
