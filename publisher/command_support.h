#pragma once
// What the subcommands share: their words, packing with progress, the
// verification the programs will make, and the package's MD5.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "publisher/command_line.h"
#include "publisher/commands.h"
#include "publisher/package_writer.h"
#include "signing/public_key.h"

namespace publisher {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kMisuse = 2;

// Parses the words; on misuse or --help prints what fits and sets `exit`.
// Every option of `options` but "-o" must be given; `optional` ones may be.
bool Prepare(const char* command, const Words& words, const std::vector<std::string>& options,
             std::size_t positional, CommandLine& line, int& exit,
             const std::vector<std::string>& optional = {});

// Packing progress on standard error, for folders large enough to need it.
Progress StderrProgress();

std::string Md5Hex(const std::filesystem::path& path);

// Prints the signature verdict and every problem (and with `showRelease` the
// release manifest); true when there is none (the programs built with `key`
// would install it).
bool Verify(const std::filesystem::path& package, const signing::PublicKey& key, const std::string& shownName,
            bool showRelease);

bool IsPackageUrl(const std::string& url);
// The file the URL's last path segment names, when that is a plain file
// name; "update.zip" otherwise.
std::string PackageFileName(const std::string& url);

// The product of releases published without --product.
constexpr char kDefaultProduct[] = "zvkclient";

// What is wrong with publish's release options (--since, --base-version,
// --full-url), empty when nothing is.
std::string ReleaseOptionsMisuse(const CommandLine& line);
// Publishes the version: the full package, or the delta (and the full
// package when --full-url names it). Throws std::runtime_error.
int PublishRelease(const CommandLine& line);

// Runs a command's body; an exception becomes its message and exit code 1.
template <typename Body>
int Guarded(const char* command, Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    std::cerr << "zvkpublish " << command << ": " << e.what() << "\n";
    return kFailed;
  }
}

}  // namespace publisher
