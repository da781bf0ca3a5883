#include "publisher/package_report.h"

#include <unzip.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "platform/file_system.h"
#include "publisher/folder_scan.h"
#include "publisher/path_text.h"
#include "release/manifest.h"
#include "zipextract/archive_stream.h"
#include "zipextract/package_entry_rule.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

struct UnzipCloser {
  void operator()(void* archive) const { unzClose(archive); }
};

std::string Lowered(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return name;
}

// Reads the entry's data through; the CRC-32 is compared at the close.
bool ReadsWhole(unzFile archive) {
  if (unzOpenCurrentFile(archive) != UNZ_OK) return false;
  std::vector<char> block(1 << 16);
  int got = 0;
  while ((got = unzReadCurrentFile(archive, block.data(), static_cast<unsigned>(block.size()))) > 0) {
  }
  return unzCloseCurrentFile(archive) == UNZ_OK && got == 0;
}

void CheckEntry(unzFile archive, PackageReport& report, std::set<std::string>& seen) {
  unz_file_info64 info{};
  std::vector<char> name(1 << 16);
  if (unzGetCurrentFileInfo64(archive, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                              nullptr, 0) != UNZ_OK) {
    report.problems.push_back("entry " + std::to_string(report.entries) + ": unreadable directory record");
    return;
  }
  const std::string entry(name.data(), info.size_filename);
  auto problem = [&](const std::string& reason) { report.problems.push_back(entry + ": " + reason); };
  // The release manifest's name is reserved for exactly that entry (release_report checks it).
  if (entry != release::kManifestEntryName) {
    if (const char* reason = RefusedEntryName(entry)) problem(reason);
  }
  if (!seen.insert(Lowered(entry)).second) problem("listed twice (names differ in case at most)");
  if ((info.flag & 1) != 0) problem("encrypted");
  if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
    problem("neither stored nor deflated");
  if (info.uncompressed_size >= 0xFFFFFFFF || info.compressed_size >= 0xFFFFFFFF) problem("Zip64 sizes");
  report.unpackedSize += info.uncompressed_size;
  if ((info.flag & 1) == 0 && !ReadsWhole(archive)) problem("data unreadable or CRC-32 mismatch");
}

}  // namespace

PackageReport InspectPackage(const fs::path& package) {
  PackageReport report;
  std::error_code error;
  report.packageSize = fs::file_size(package, error);
  if (error) {
    report.problems.push_back(Utf8Text(package) + ": cannot read: " + error.message());
    return report;
  }
  platform::File file = platform::File::OpenForRead(WidePath(package));
  if (!file.isOpen()) {
    report.problems.push_back(Utf8Text(package) + ": cannot read" + platform::LastErrorText());
    return report;
  }
  ArchiveStream stream;
  AttachArchiveStream(stream, file);
  zlib_filefunc64_def functions = ArchiveStreamFunctions();
  std::unique_ptr<void, UnzipCloser> archive(unzOpen2_64(&stream, &functions));
  if (!archive) {
    report.problems.push_back(Utf8Text(package) + ": not a zip archive");
    return report;
  }
  std::set<std::string> seen;
  for (int step = unzGoToFirstFile(archive.get()); step == UNZ_OK; step = unzGoToNextFile(archive.get())) {
    CheckEntry(archive.get(), report, seen);
    ++report.entries;
  }
  if (report.entries > 0xFFFF)
    report.problems.push_back(Utf8Text(package) + ": more than 65535 entries (Zip64)");
  if (report.packageSize >= kPackageLimit || report.unpackedSize >= kPackageLimit)
    report.problems.push_back(Utf8Text(package) + ": 2 GiB or more (the programs' limit)");
  return report;
}

}  // namespace publisher
