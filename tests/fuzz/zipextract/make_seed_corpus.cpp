// Writes the fuzzer's seed corpus: small archives of the kinds the tests
// build (stored, deflated, directories, Unix hosts, "UT" blocks, encrypted,
// traversal names) and a few bare names.
#include <cstdio>
#include <filesystem>

#include "tests/unit/zipextract/zip_builder.h"

using ziptest::EntrySpec;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seed_corpus <folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  EntrySpec docs{"docs/", ""};
  docs.externalAttributes = 0x10;
  EntrySpec unix{"unix.txt", "mode"};
  unix.versionMadeBy = 0x0314;
  unix.externalAttributes = 0x81A40000u;
  EntrySpec times{"times.txt", "t"};
  times.localExtra = ziptest::UtBlock(7, {0, 1, 2});
  EntrySpec secret{"secret.txt", "hidden", 0};
  secret.encrypted = true;
  bool ok = ziptest::WriteArchive(folder / "basic.zip",
                                  {{"a.txt", "alpha", 0}, {"sub/dir/b.txt", "beta beta beta"}});
  ok = ziptest::WriteArchive(folder / "mixed.zip", {docs, unix, times, {"empty.txt", ""}}) && ok;
  ok = ziptest::WriteArchive(folder / "encrypted.zip", {secret}) && ok;
  ok = ziptest::WriteArchive(folder / "slip.zip", {{"../x", "x"}, {"a/../../y", "y"}, {"C:\\z", "z"}}) && ok;
  ziptest::WriteBytes(folder / "name1", "a/../../b.txt");
  ziptest::WriteBytes(folder / "name2", "/..\\x");
  ziptest::WriteBytes(folder / "name3", "C:\\dir\\\xE6\x9B\xB4.txt");
  return ok ? 0 : 1;
}
