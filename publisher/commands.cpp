#include "publisher/commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "publisher/command_line.h"
#include "publisher/folder_scan.h"
#include "publisher/help_texts.h"
#include "publisher/key_files.h"
#include "publisher/package_report.h"
#include "publisher/package_signer.h"
#include "publisher/package_writer.h"
#include "publisher/path_text.h"
#include "signing/package_verifier.h"
#include "updater/download/md5.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kMisuse = 2;
// Folders below this size pack too fast for progress lines to help.
constexpr std::uint64_t kProgressThreshold = 16u << 20;

// Parses the words; on misuse or --help prints what fits and sets `exit`.
bool Prepare(const char* command, const Words& words, const std::vector<std::string>& options,
             std::size_t positional, CommandLine& line, int& exit) {
  line = ParseWords(words, options);
  if (line.help) {
    std::cout << HelpText(command);
    exit = kDone;
    return false;
  }
  if (line.error.empty() && line.positional.size() != positional)
    line.error = positional == 0 ? "takes no file or folder argument" : "needs exactly one file or folder";
  if (line.error.empty()) {
    for (const std::string& option : options) {
      if (option != "-o" && line.option(option).empty()) line.error = "needs " + option;
    }
  }
  if (!line.error.empty()) {
    std::cerr << "zvkpublish " << command << ": " << line.error << "\n" << HelpText(command);
    exit = kMisuse;
    return false;
  }
  return true;
}

Progress StderrProgress() {
  return [lastStep = -1](std::uint64_t done, std::uint64_t total) mutable {
    if (total < kProgressThreshold) return;
    const int step = static_cast<int>(done * 20 / total);
    if (step == lastStep) return;
    lastStep = step;
    std::cerr << "packing: " << step * 5 << "% (" << (done >> 20) << " of " << (total >> 20) << " MiB)\n";
  };
}

void Pack(const fs::path& folder, const fs::path& output, const std::string& shownName) {
  const std::vector<PackageEntry> entries = ScanFolder(folder);
  WritePackage(entries, output, StderrProgress());
  std::cerr << "packed " << entries.size() << " entries into " << shownName << "\n";
}

std::string Md5Hex(const fs::path& path) {
  std::string hex;
  if (!MD5_CTX::DigestFile(path, hex)) throw std::runtime_error(Utf8Text(path) + ": cannot read");
  return hex;
}

// Prints the signature verdict and every problem; true when there is none.
bool Verify(const fs::path& package, const signing::PublicKey& key, const std::string& shownName) {
  const PackageReport report = InspectPackage(package);
  const signing::Verdict verdict = signing::VerifyPackageFile(WidePath(package), key);
  for (const std::string& problem : report.problems) std::cerr << "refused: " << problem << "\n";
  if (verdict != signing::Verdict::Valid)
    std::cerr << "refused: " << shownName << ": " << signing::DescribeVerdict(verdict) << "\n";
  const bool good = verdict == signing::Verdict::Valid && report.problems.empty();
  std::cout << shownName << ": " << (good ? "OK" : "REFUSED") << ", " << report.entries << " entries, "
            << report.unpackedSize << " bytes unpacked, " << report.packageSize << " bytes, "
            << signing::DescribeVerdict(verdict) << "\n";
  return good;
}

bool IsPackageUrl(const std::string& url) {
  const bool scheme = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
  return scheme && url.find_first_of(" \t\"") == std::string::npos &&
         url.find('/', url.find("//") + 2) != std::string::npos;
}

template <typename Body>
int Guarded(const char* command, Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    std::cerr << "zvkpublish " << command << ": " << e.what() << "\n";
    return kFailed;
  }
}

}  // namespace

int RunKeygen(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("keygen", words, {"-o"}, 0, line, exit)) return exit;
  const std::string base = line.option("-o").empty() ? "publisher" : line.option("-o");
  return Guarded("keygen", [&] {
    const PrivateKey key = PrivateKey::Generate();
    key.Save(base + ".key");
    SavePublicKey(key.Public(), base + ".pub");
    std::cout << "private key: " << base
              << ".key (owner-only; keep it off build machines and out of repositories)\n"
              << "public key:  " << base << ".pub (build the programs with -DZVK_PUBLISHER_KEY="
              << fs::absolute(Utf8Path(base + ".pub")).generic_u8string() << ")\n";
    return kDone;
  });
}

int RunPack(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("pack", words, {"-o"}, 1, line, exit)) return exit;
  if (line.option("-o").empty()) line.options["-o"] = "update.zip";
  return Guarded("pack", [&] {
    Pack(Utf8Path(line.positional[0]), Utf8Path(line.option("-o")), line.option("-o"));
    return kDone;
  });
}

int RunSign(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("sign", words, {"--key"}, 1, line, exit)) return exit;
  return Guarded("sign", [&] {
    const PrivateKey key = PrivateKey::Load(line.option("--key"));
    const PackageReport report = InspectPackage(Utf8Path(line.positional[0]));
    for (const std::string& problem : report.problems) std::cerr << "refused: " << problem << "\n";
    if (!report.problems.empty()) return kFailed;
    SignPackage(Utf8Path(line.positional[0]), key);
    std::cerr << "signed " << line.positional[0] << "\n";
    return kDone;
  });
}

int RunVerify(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("verify", words, {"--pub"}, 1, line, exit)) return exit;
  return Guarded("verify", [&] {
    const signing::PublicKey key = LoadPublicKey(line.option("--pub"));
    return Verify(Utf8Path(line.positional[0]), key, line.positional[0]) ? kDone : kFailed;
  });
}

namespace {

// The file the URL's last path segment names, when that is a plain file
// name; "update.zip" otherwise (a query, "..", or a folder URL).
std::string PackageFileName(const std::string& url) {
  const std::string path = url.substr(0, url.find_first_of("?#"));
  const std::string name = path.substr(path.find_last_of('/') + 1);
  const bool plain =
      !name.empty() && name != "." && name != ".." && name.find_first_of("\\:%*\"<>|") == std::string::npos;
  return plain ? name : "update.zip";
}

}  // namespace

int RunPublish(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("publish", words, {"--key", "--url", "-o"}, 1, line, exit)) return exit;
  const std::string url = line.option("--url");
  if (line.option("-o").empty()) {
    std::cerr << "zvkpublish publish: needs -o\n" << HelpText("publish");
    return kMisuse;
  }
  if (!IsPackageUrl(url)) {
    std::cerr << "zvkpublish publish: " << url
              << ": not an http:// or https:// URL with a path and no blanks or quotes\n";
    return kMisuse;
  }
  return Guarded("publish", [&] {
    const PrivateKey key = PrivateKey::Load(line.option("--key"));
    const fs::path output = Utf8Path(line.option("-o")) / Utf8Path(PackageFileName(url));
    fs::create_directories(Utf8Path(line.option("-o")));
    {
      PartialFile staged(output);
      Pack(Utf8Path(line.positional[0]), staged.path(), Utf8Text(output));
      SignPackage(staged.path(), key);
      if (!Verify(staged.path(), key.Public(), Utf8Text(output))) return kFailed;
      staged.Commit();
    }
    const std::string md5 = Md5Hex(output);
    std::cout << "package: " << Utf8Text(output) << "\nmd5: " << md5
              << "\nupdater command line: temp\\Updater.exe -url=" << url << " -md5=" << md5 << "\n";
    return kDone;
  });
}

}  // namespace publisher
