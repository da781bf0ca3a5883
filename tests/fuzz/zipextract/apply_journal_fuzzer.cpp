// The apply journal reader under arbitrary text (a journal is a file in the
// installation, which whoever can write there may have left): nothing
// crashes, and an accepted journal never names a target outside the root.
// Half the inputs get the checksum line they need, so that the records
// behind it are reached.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zipextract/apply_journal.h"
#include "zipextract/zip_entry_name.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) != 0) {
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    text += "end " + std::to_string(crc) + "\n";
  }
  const std::wstring root = L"C:\\Program Files\\Vellacast\\";
  std::vector<SwapRecord> records;
  if (!ParseJournal(text, root, records)) return 0;
  const bool removals = text.rfind("zvk-apply 2\n", 0) == 0;
  for (const SwapRecord& record : records) {
    Require(IsSafeOutputName(record.target) && root.size() + record.target.size() <= kMaxZipPath);
    Require(!record.removes || removals);
  }
  return 0;
}
