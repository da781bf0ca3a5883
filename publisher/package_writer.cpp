#include "publisher/package_writer.h"

#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <stdexcept>

#include "platform/file_system.h"
#include "publisher/path_text.h"
#include "publisher/zip_output.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

constexpr std::size_t kBlock = 1 << 16;
constexpr unsigned long kUtf8NamesFlag = 0x800;
// Made by MS-DOS, zip 2.0: the readers take the DOS attribute bits as they are.
constexpr unsigned long kVersionMadeBy = 20;
constexpr unsigned long kArchiveAttribute = 0x20;
constexpr unsigned long kDirectoryAttribute = 0x10;

[[noreturn]] void Fail(const fs::path& path, const std::string& reason) {
  throw std::runtime_error(Utf8Text(path) + ": " + reason);
}

struct ZipCloser {
  void operator()(void* zip) const { zipClose(zip, nullptr); }
};

// What deflating the file would give, to choose between stored and deflated.
std::uint64_t DeflatedSize(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, "cannot read");
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    Fail(path, "cannot start deflate");
  std::vector<unsigned char> input(kBlock), output(kBlock);
  std::uint64_t produced = 0;
  int flush = Z_NO_FLUSH;
  do {
    in.read(reinterpret_cast<char*>(input.data()), static_cast<std::streamsize>(input.size()));
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(in.gcount());
    flush = in.eof() ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      deflate(&stream, flush);
      produced += output.size() - stream.avail_out;
    } while (stream.avail_out == 0);
  } while (flush != Z_FINISH);
  deflateEnd(&stream);
  return produced;
}

zip_fileinfo EntryInfo(const PackageEntry& entry) {
  zip_fileinfo info{};
  std::error_code error;
  const auto written = fs::last_write_time(entry.source, error);
  // C++17 has no conversion between the file clock and the system clock.
  const auto since = written - fs::file_time_type::clock::now();
  const std::time_t seconds =
      error ? std::time(nullptr)
            : std::chrono::system_clock::to_time_t(
                  std::chrono::system_clock::now() +
                  std::chrono::duration_cast<std::chrono::system_clock::duration>(since));
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  // DOS times start in 1980.
  if (local.tm_year < 80) {
    local = std::tm{};
    local.tm_mday = 1;
    local.tm_year = 80;
  }
  info.tmz_date = {static_cast<uInt>(local.tm_sec),  static_cast<uInt>(local.tm_min),
                   static_cast<uInt>(local.tm_hour), static_cast<uInt>(local.tm_mday),
                   static_cast<uInt>(local.tm_mon),  static_cast<uInt>(local.tm_year + 1900)};
  info.external_fa = entry.directory ? kDirectoryAttribute : kArchiveAttribute;
  return info;
}

void CopyData(void* zip, const PackageEntry& entry) {
  std::ifstream in(entry.source, std::ios::binary);
  if (!in) Fail(entry.source, "cannot read");
  std::vector<char> block(kBlock);
  std::uint64_t copied = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    const auto got = static_cast<unsigned>(in.gcount());
    copied += got;
    if (copied >= kPackageLimit) Fail(entry.source, "grew past 2 GiB while being packed");
    if (zipWriteInFileInZip(zip, block.data(), got) != ZIP_OK)
      Fail(entry.source, "cannot write to the package");
  }
  if (in.bad()) Fail(entry.source, "read error");
}

void AddEntry(void* zip, const PackageEntry& entry) {
  int method = 0;
  if (!entry.directory && entry.size > 0 && DeflatedSize(entry.source) < entry.size) method = Z_DEFLATED;
  const zip_fileinfo info = EntryInfo(entry);
  if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                              Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                              kVersionMadeBy, kUtf8NamesFlag, 0) != ZIP_OK)
    Fail(entry.source, "cannot add to the package");
  if (!entry.directory) CopyData(zip, entry);
  if (zipCloseFileInZip(zip) != ZIP_OK) Fail(entry.source, "cannot finish its entry");
}

}  // namespace

namespace {

fs::path PartialName(const fs::path& target) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".partial-%08x", static_cast<unsigned>(platform::SystemRandom()));
  fs::path partial = target;
  partial += suffix;
  return partial;
}

}  // namespace

PartialFile::PartialFile(const fs::path& target) : target_(target), partial_(PartialName(target)) {}

PartialFile::~PartialFile() {
  std::error_code ignored;
  if (!committed_) fs::remove(partial_, ignored);
}

void PartialFile::Commit() {
  std::error_code error;
  fs::rename(partial_, target_, error);
  if (error) Fail(target_, "cannot move the finished file in place: " + error.message());
  committed_ = true;
}

void WritePackage(const std::vector<PackageEntry>& entries, const fs::path& output,
                  const Progress& progress) {
  if (entries.empty()) Fail(output, "nothing to pack: the folder is empty");
  std::uint64_t total = 0;
  for (const PackageEntry& entry : entries) total += entry.size;
  PartialFile partial(output);
  platform::File file = platform::File::CreateNew(WidePath(partial.path()), 0);
  if (!file.isOpen()) Fail(output, "cannot create" + platform::LastErrorText());
  ZipOutput stream{&file};
  zlib_filefunc64_def functions = ZipOutputFunctions();
  std::unique_ptr<void, ZipCloser> zip(zipOpen2_64(&stream, APPEND_STATUS_CREATE, nullptr, &functions));
  if (!zip) Fail(output, "cannot create");
  std::uint64_t done = 0;
  for (const PackageEntry& entry : entries) {
    AddEntry(zip.get(), entry);
    done += entry.size;
    if (progress) progress(done, total);
  }
  if (zipClose(zip.release(), nullptr) != ZIP_OK || stream.failed)
    Fail(output, "cannot finish the package (disk full?)");
  if (file.tell() >= static_cast<std::int64_t>(kPackageLimit))
    Fail(output, "the package would reach 2 GiB (the programs' limit)");
  file.close();
  partial.Commit();
}

}  // namespace publisher
