// Prints the MD5 digest of a file computed with the engine's MD5_CTX, and the
// time it took, for the side-by-side comparison with md5sum.
//
//   md5_file_bench FILE   ->   "<digest> <milliseconds>"
#include <chrono>
#include <iostream>
#include <string>

#include "updater/download/md5.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: md5_file_bench FILE\n";
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  std::string digest;
  if (!MD5_CTX::DigestFile(argv[1], digest)) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::cout << digest << " " << ms.count() << "\n";
  return 0;
}
