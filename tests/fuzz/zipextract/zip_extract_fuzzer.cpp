// libFuzzer target for the zip reader. Each input is used twice:
//   - as an entry name: decoding, cleaning and the output-name rule, checked
//     against their invariants;
//   - as an archive: open, every entry's information and extraction into a
//     scratch root, which must then hold everything that was written.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zipextract/package_apply.h"
#include "zipextract/zip_entry_name.h"
#include "zipextract/zip_reader.h"

namespace fs = std::filesystem;

namespace {

const fs::path& Scratch() {
  static const fs::path folder = [] {
    const char* base = std::getenv("ZVK_FUZZ_SCRATCH");
    fs::path path =
        fs::path(base != nullptr ? base : "/dev/shm") / ("zvk-zip-fuzz-" + std::to_string(getpid()));
    fs::create_directories(path);
    return path;
  }();
  return folder;
}

bool HasParentComponent(const std::wstring& name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = name.size();
    if (name.compare(start, end - start, L"..") == 0) return true;
    start = end + 1;
  }
  return false;
}

void CheckName(const std::uint8_t* data, std::size_t size) {
  const std::wstring decoded = DecodeUtf8Name(reinterpret_cast<const char*>(data), size);
  if (decoded.size() > size) __builtin_trap();
  const std::wstring cleaned = CleanEntryName(decoded);
  if (cleaned.size() > decoded.size()) __builtin_trap();
  if (cleaned.size() >= 2 && cleaned[0] != L'\0' && cleaned[1] == L':') __builtin_trap();
  if (!cleaned.empty() && (cleaned[0] == L'\\' || cleaned[0] == L'/')) __builtin_trap();
  if (IsSafeOutputName(cleaned) && (HasParentComponent(cleaned) || cleaned.find(L':') != std::wstring::npos))
    __builtin_trap();
}

void ExtractAll(const std::uint8_t* data, std::size_t size) {
  const fs::path archive = Scratch() / "input.zip";
  const fs::path root = Scratch() / "root";
  {
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ZipReader reader;
  if (reader.open(archive.wstring(), root.wstring()) == ZipOk) {
    ZipEntryInfo count;
    reader.entryInfo(-1, count);
    for (int index = 0; index < count.index && index < 64; ++index) {
      ZipEntryInfo entry;
      if (reader.entryInfo(index, entry) == ZipOk) reader.extractEntry(index, entry.name);
    }
    reader.close();
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
  // The whole apply: all or nothing, and never a work folder left behind.
  ApplyOptions options;
  options.flush = FlushMode::None;
  const ApplyOutcome applied = ApplyPackage(archive.wstring(), root.wstring(), options);
  for (const auto& item : fs::directory_iterator(root, ignored)) {
    if (applied.result != ZipOk || item.path().filename().wstring().rfind(kStagingPrefix, 0) == 0)
      __builtin_trap();
  }
  // Nothing may appear beside the root.
  for (const auto& item : fs::directory_iterator(Scratch())) {
    if (item.path() != archive && item.path() != root) __builtin_trap();
  }
  fs::remove_all(root, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckName(data, size);
  ExtractAll(data, size);
  return 0;
}
