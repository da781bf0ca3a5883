#include "publisher/commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "publisher/command_line.h"
#include "publisher/command_support.h"
#include "publisher/folder_scan.h"
#include "publisher/help_texts.h"
#include "publisher/key_files.h"
#include "publisher/package_report.h"
#include "publisher/package_signer.h"
#include "publisher/package_writer.h"
#include "publisher/path_text.h"
#include "publisher/release_builder.h"
#include "publisher/release_report.h"
#include "signing/package_verifier.h"
#include "updater/download/md5.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

// Folders below this size pack too fast for progress lines to help.
constexpr std::uint64_t kProgressThreshold = 16u << 20;

}  // namespace

bool Prepare(const char* command, const Words& words, const std::vector<std::string>& options,
             std::size_t positional, CommandLine& line, int& exit, const std::vector<std::string>& optional) {
  std::vector<std::string> known = options;
  known.insert(known.end(), optional.begin(), optional.end());
  line = ParseWords(words, known);
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

namespace {

// A package of the folder; with a version, a full release of it.
void Pack(const fs::path& folder, const fs::path& output, const std::string& shownName,
          const std::string& version = std::string(), const std::string& product = std::string()) {
  std::vector<PackageEntry> entries = ScanFolder(folder);
  std::optional<PartialFile> manifestFile;
  if (!version.empty()) {
    manifestFile.emplace(fs::path(output) += ".manifest");
    entries =
        ReleaseEntries(entries, FullRelease(product, version, DigestFiles(entries)), manifestFile->path());
  }
  WritePackage(entries, output, StderrProgress());
  std::cerr << "packed " << entries.size() << " entries into " << shownName << "\n";
}

}  // namespace

std::string Md5Hex(const fs::path& path) {
  std::string hex;
  if (!MD5_CTX::DigestFile(path, hex)) throw std::runtime_error(Utf8Text(path) + ": cannot read");
  return hex;
}

bool Verify(const fs::path& package, const signing::PublicKey& key, const std::string& shownName,
            bool showRelease) {
  PackageReport report = InspectPackage(package);
  const ReleaseReport release = InspectRelease(package);
  report.problems.insert(report.problems.end(), release.problems.begin(), release.problems.end());
  const signing::Verdict verdict = signing::VerifyPackageFile(WidePath(package), key);
  for (const std::string& problem : report.problems) std::cerr << "refused: " << problem << "\n";
  if (verdict != signing::Verdict::Valid)
    std::cerr << "refused: " << shownName << ": " << signing::DescribeVerdict(verdict) << "\n";
  const bool good = verdict == signing::Verdict::Valid && report.problems.empty();
  std::cout << shownName << ": " << (good ? "OK" : "REFUSED") << ", " << report.entries << " entries, "
            << report.unpackedSize << " bytes unpacked, " << report.packageSize << " bytes, "
            << signing::DescribeVerdict(verdict) << "\n";
  if (!showRelease) return good;
  if (release.hasManifest) {
    std::cout << "release: " << DescribeRelease(release.manifest) << "\nmanifest:\n" << release.text;
  } else {
    std::cout << "release: none (no release manifest: installations with a release record refuse it)\n";
  }
  return good;
}

bool IsPackageUrl(const std::string& url) {
  const bool scheme = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
  return scheme && url.find_first_of(" \t\"") == std::string::npos &&
         url.find('/', url.find("//") + 2) != std::string::npos;
}

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
  if (!Prepare("pack", words, {"-o"}, 1, line, exit, {"--version", "--product"})) return exit;
  if (line.option("-o").empty()) line.options["-o"] = "update.zip";
  if (line.option("--version").empty() && !line.option("--product").empty()) {
    std::cerr << "zvkpublish pack: --product needs --version\n" << HelpText("pack");
    return kMisuse;
  }
  return Guarded("pack", [&] {
    Pack(Utf8Path(line.positional[0]), Utf8Path(line.option("-o")), line.option("-o"),
         line.option("--version"),
         line.option("--product").empty() ? kDefaultProduct : line.option("--product"));
    return kDone;
  });
}

int RunSign(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("sign", words, {"--key"}, 1, line, exit)) return exit;
  return Guarded("sign", [&] {
    const PrivateKey key = PrivateKey::Load(line.option("--key"));
    PackageReport report = InspectPackage(Utf8Path(line.positional[0]));
    const ReleaseReport release = InspectRelease(Utf8Path(line.positional[0]));
    report.problems.insert(report.problems.end(), release.problems.begin(), release.problems.end());
    for (const std::string& problem : report.problems) std::cerr << "refused: " << problem << "\n";
    if (!report.problems.empty()) return kFailed;
    SignPackage(Utf8Path(line.positional[0]), key,
                release.hasManifest ? signing::SignatureFormat::V2 : signing::SignatureFormat::V1);
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
    return Verify(Utf8Path(line.positional[0]), key, line.positional[0], true) ? kDone : kFailed;
  });
}

// A query, "..", or a folder URL gives "update.zip".
std::string PackageFileName(const std::string& url) {
  const std::string path = url.substr(0, url.find_first_of("?#"));
  const std::string name = path.substr(path.find_last_of('/') + 1);
  const bool plain =
      !name.empty() && name != "." && name != ".." && name.find_first_of("\\:%*\"<>|") == std::string::npos;
  return plain ? name : "update.zip";
}

int RunPublish(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("publish", words, {"--key", "--url", "-o", "--version"}, 1, line, exit,
               {"--product", "--since", "--base-version", "--full-url"}))
    return exit;
  const std::string url = line.option("--url");
  std::string misuse;
  if (line.option("-o").empty())
    misuse = "needs -o";
  else if (!IsPackageUrl(url))
    misuse = url + ": not an http:// or https:// URL with a path and no blanks or quotes";
  else
    misuse = ReleaseOptionsMisuse(line);
  if (!misuse.empty()) {
    std::cerr << "zvkpublish publish: " << misuse << "\n" << HelpText("publish");
    return kMisuse;
  }
  return Guarded("publish", [&] { return PublishRelease(line); });
}

}  // namespace publisher
