// Applying a generated update package with our all-or-nothing apply (as the
// launcher and zlib.dll run it), without its flush, with one flush of the
// volume and with a flush per file, and unpacking it with Info-ZIP's
// "unzip -o -q", side by side in one run, alternating, with the outputs
// removed between runs.
//   unzip_bench [repetitions] [work folder]
//   unzip_bench --once <none|volume|file> [work folder]   one apply, for strace
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "zipextract/package_apply.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 2000;
constexpr std::size_t kTotalBytes = 100u * 1024 * 1024;

// Text-like data compresses; noise is stored, as packages carry both
// (sources and resources next to already compressed images and binaries).
std::string MakeContent(std::mt19937& random, std::size_t size, bool compressible) {
  static const char* const kWords[] = {"update", "client", "launcher", "package",
                                       "window", "skin ",  "\n",       "0x1f "};
  std::string data;
  data.reserve(size);
  while (data.size() < size) {
    if (compressible) {
      data += kWords[random() % 8];
    } else {
      data.push_back(static_cast<char>(random()));
    }
  }
  data.resize(size);
  return data;
}

bool MakePackage(const fs::path& path) {
  zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  std::mt19937 random(2024);
  const std::size_t average = kTotalBytes / kFiles;
  bool ok = true;
  for (int i = 0; i < kFiles && ok; ++i) {
    const std::size_t size = average / 2 + random() % average;
    const bool compressible = i % 2 == 0;
    const std::string data = MakeContent(random, size, compressible);
    const std::string name = "dir" + std::to_string(i % 40) + "/sub" + std::to_string(i % 7) + "/file" +
                             std::to_string(i) + (compressible ? ".txt" : ".bin");
    zip_fileinfo info{};
    info.dosDate = 0x52A46000;
    info.external_fa = 0x20;
    const int method = compressible ? Z_DEFLATED : 0;
    ok = zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                             Z_DEFAULT_COMPRESSION) == ZIP_OK &&
         zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Mode {
  const char* name;
  const char* label;
  FlushMode flush;
};
const Mode kModes[] = {{"none", "apply, no flush", FlushMode::None},
                       {"volume", "apply, one volume flush (syncfs)", FlushMode::Volume},
                       {"file", "apply, flush per file (fsync)", FlushMode::PerFile}};

double RunOurs(const fs::path& package, const fs::path& out, FlushMode flush) {
  const auto start = std::chrono::steady_clock::now();
  ApplyOptions options;
  options.flush = flush;
  const ApplyOutcome outcome = ApplyPackage(package.wstring(), out.wstring(), options);
  const double elapsed = Seconds(start);
  if (outcome.result != ZipOk)
    std::fprintf(stderr, "our apply reported 0x%x: %s\n", outcome.result, outcome.detail.c_str());
  return elapsed;
}

double RunUnzip(const fs::path& package, const fs::path& out) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execlp("unzip", "unzip", "-o", "-q", package.c_str(), "-d", out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const double elapsed = Seconds(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "unzip failed: %d\n", status);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRow(const char* label, const std::vector<double>& runs, double unzipMedian) {
  std::printf("| %s | %zu | %.3f | %.3f | %.3f | %.2f |\n", label, runs.size(), Median(runs),
              *std::min_element(runs.begin(), runs.end()), *std::max_element(runs.begin(), runs.end()),
              Median(runs) / unzipMedian);
}

bool EnsurePackage(const fs::path& work, const fs::path& package) {
  fs::create_directories(work);
  if (fs::exists(package) || MakePackage(package)) return true;
  std::fprintf(stderr, "cannot write %s\n", package.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool once = argc > 1 && std::string(argv[1]) == "--once";
  const int repetitions = !once && argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path work = argc > 2 + (once ? 1 : 0) ? fs::path(argv[2 + (once ? 1 : 0)])
                                                  : fs::temp_directory_path() / "zvk-unzip-bench";
  const fs::path package = work / "package.zip";
  if (!EnsurePackage(work, package)) return 1;
  if (once) {
    const std::string wanted = argc > 2 ? argv[2] : "none";
    for (const Mode& mode : kModes)
      if (wanted == mode.name) RunOurs(package, work / "once", mode.flush);
    fs::remove_all(work / "once");
    return 0;
  }
  std::vector<std::vector<double>> ours(std::size(kModes));
  std::vector<double> theirs;
  for (int i = 0; i < repetitions; ++i) {
    for (std::size_t m = 0; m < std::size(kModes); ++m) {
      fs::remove_all(work / "ours");
      ours[m].push_back(RunOurs(package, work / "ours", kModes[m].flush));
    }
    fs::remove_all(work / "unzip");
    theirs.push_back(RunUnzip(package, work / "unzip"));
  }
  fs::remove_all(work / "ours");
  fs::remove_all(work / "unzip");
  std::printf("package: %d files, %.1f MB archive\n\n", kFiles, fs::file_size(package) / 1048576.0);
  std::printf("| tool | runs | median wall s | min s | max s | / unzip |\n|---|---|---|---|---|---|\n");
  for (std::size_t m = 0; m < std::size(kModes); ++m) PrintRow(kModes[m].label, ours[m], Median(theirs));
  PrintRow("unzip -o -q", theirs, Median(theirs));
  return 0;
}
