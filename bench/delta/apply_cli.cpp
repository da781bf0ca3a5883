// Applies one package to an installation folder, all or nothing, as the
// launcher and zlib.dll do (a delta's kept files checked first), and prints
// "applied <ms>" or why not, then (Linux) "read <bytes>": every byte this
// process read from files, from /proc/self/io.
//
//   apply_cli PACKAGE FOLDER
//
// Exit code 0 when the package was applied, 1 when not, 2 for a bad
// command line.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "zipextract/package_apply.h"

namespace {

// The bytes read by read system calls so far; empty where the system does
// not say.
std::string BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::string value;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return std::string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: apply_cli PACKAGE FOLDER\n";
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const ApplyOutcome outcome =
      ApplyPackage(std::filesystem::path(argv[1]).wstring(), std::filesystem::path(argv[2]).wstring());
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  if (outcome.result != ZipOk || outcome.alreadyInstalled) {
    std::cerr << "not applied (" << outcome.result << "): " << outcome.detail << "\n";
    return 1;
  }
  std::cout << "applied " << ms.count() << std::endl;
  const std::string read = BytesRead();
  if (!read.empty()) std::cout << "read " << read << std::endl;
  return 0;
}
