// Versioned releases: publishing a version (full, or a delta with its full
// package) and checking an installation against its release record.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "publisher/command_support.h"
#include "publisher/help_texts.h"
#include "publisher/key_files.h"
#include "publisher/package_signer.h"
#include "publisher/path_text.h"
#include "publisher/release_builder.h"
#include "publisher/release_report.h"
#include "release/installation_check.h"
#include "release/installed_record.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

struct PackageFacts {
  fs::path path;  // where it is published
  std::uint64_t size = 0;
  std::string md5;
  release::Digest sha256{};
};

PackageFacts Facts(const fs::path& staged, const fs::path& published) {
  PackageFacts facts;
  facts.path = published;
  facts.size = fs::file_size(staged);
  facts.md5 = Md5Hex(staged);
  std::ifstream in(staged, std::ios::binary);
  release::Sha256 hash;
  std::vector<char> block(1 << 20);
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
    hash.Update(block.data(), static_cast<std::size_t>(in.gcount()));
  if (in.bad()) throw std::runtime_error(Utf8Text(staged) + ": read error");
  facts.sha256 = hash.Finish();
  return facts;
}

// Packs the release, signs it (format 2) and verifies it as the programs
// will, under the staged name; the caller commits it.
PackageFacts MakeReleasePackage(const std::vector<PackageEntry>& entries, const release::Manifest& manifest,
                                const PartialFile& staged, const fs::path& published, const PrivateKey& key) {
  {
    PartialFile manifestFile(fs::path(staged.path()) += ".manifest");
    const std::vector<PackageEntry> packed = ReleaseEntries(entries, manifest, manifestFile.path());
    WritePackage(packed, staged.path(), StderrProgress());
    std::cerr << "packed " << packed.size() << " entries into " << Utf8Text(published) << "\n";
  }
  SignPackage(staged.path(), key, signing::SignatureFormat::V2);
  if (!Verify(staged.path(), key.Public(), Utf8Text(published), false))
    throw std::runtime_error(Utf8Text(published) + ": refused by its own verification");
  return Facts(staged.path(), published);
}

std::string Percent(std::uint64_t part, std::uint64_t whole) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(2) << (whole == 0 ? 0.0 : 100.0 * part / whole) << "%";
  return text.str();
}

void PrintPublished(const release::Manifest& manifest, const std::optional<PackageFacts>& full,
                    const PackageFacts& main, const std::string& url, bool delta) {
  std::cout << "release: " << DescribeRelease(manifest) << "\n";
  if (delta && full) {
    std::cout << "full package: " << Utf8Text(full->path) << "\nfull size: " << full->size
              << "\nfull md5: " << full->md5 << "\n";
  } else if (delta) {
    std::cout
        << "full package: none (no --full-url: an installation the delta does not fit cannot fall back)\n";
  }
  std::cout << "package: " << Utf8Text(main.path) << "\nsize: " << main.size;
  if (delta && full) std::cout << " (" << Percent(main.size, full->size) << " of the full package)";
  std::cout << "\nmd5: " << main.md5 << "\nupdater command line: temp\\Updater.exe -url=" << url
            << " -md5=" << main.md5 << "\n";
}

}  // namespace

std::string ReleaseOptionsMisuse(const CommandLine& line) {
  const bool since = !line.option("--since").empty();
  const std::string fullUrl = line.option("--full-url");
  if (!line.option("--base-version").empty() && !since)
    return "--base-version is the version of --since's folder";
  if (fullUrl.empty()) return std::string();
  if (!since) return "--full-url names the full package of a delta: give --since too";
  if (!IsPackageUrl(fullUrl) || release::RefusedPackageUrl(fullUrl) != nullptr)
    return fullUrl + ": not an http:// or https:// URL with a path and no blanks or quotes";
  if (PackageFileName(fullUrl) == PackageFileName(line.option("--url")))
    return "--url and --full-url end in the same file name: the packages would overwrite each other";
  return std::string();
}

int PublishRelease(const CommandLine& line) {
  const PrivateKey key = PrivateKey::Load(line.option("--key"));
  const std::vector<PackageEntry> entries = ScanFolder(Utf8Path(line.positional[0]));
  std::string product = line.option("--product");
  std::optional<release::Manifest> base;
  if (!line.option("--since").empty()) {
    base = LoadBaseRelease(Utf8Path(line.option("--since")), line.option("--base-version"),
                           product.empty() ? kDefaultProduct : product);
    if (product.empty()) product = base->product;
  }
  const release::Manifest full = FullRelease(product.empty() ? kDefaultProduct : product,
                                             line.option("--version"), DigestFiles(entries));
  std::optional<release::Manifest> delta;
  if (base) delta = DeltaRelease(full, *base);  // refuses a version not above the base's first

  const fs::path folder = Utf8Path(line.option("-o"));
  fs::create_directories(folder);
  const fs::path mainPath = folder / Utf8Path(PackageFileName(line.option("--url")));
  const bool withFull = !delta || !line.option("--full-url").empty();
  const fs::path fullPath = delta ? folder / Utf8Path(PackageFileName(line.option("--full-url"))) : mainPath;
  std::optional<PartialFile> fullStaged;
  std::optional<PackageFacts> fullFacts;
  if (withFull) {
    fullStaged.emplace(fullPath);
    fullFacts = MakeReleasePackage(entries, full, *fullStaged, fullPath, key);
  }
  std::optional<PartialFile> deltaStaged;
  std::optional<PackageFacts> deltaFacts;
  if (delta) {
    if (fullFacts)
      delta->fullPackage = release::FullPackageRef{fullFacts->size, fullFacts->md5, fullFacts->sha256,
                                                   line.option("--full-url")};
    deltaStaged.emplace(mainPath);
    deltaFacts = MakeReleasePackage(entries, *delta, *deltaStaged, mainPath, key);
  }
  // The full package first: a delta on the server may name it at once.
  if (fullStaged) fullStaged->Commit();
  if (deltaStaged) deltaStaged->Commit();
  PrintPublished(delta ? *delta : full, fullFacts, delta ? *deltaFacts : *fullFacts, line.option("--url"),
                 delta.has_value());
  return kDone;
}

int RunCheck(const Words& words) {
  CommandLine line;
  int exit = kDone;
  if (!Prepare("check", words, {}, 1, line, exit)) return exit;
  return Guarded("check", [&] {
    const std::wstring root = WidePath(Utf8Path(line.positional[0])) + L"/";
    const release::InstalledRelease installed = release::ReadInstalledRelease(root);
    if (installed.state != release::RecordState::Present) {
      std::cerr << "zvkpublish check: " << line.positional[0] << ": "
                << (installed.state == release::RecordState::Absent
                        ? "no release record: installed from packages without a release manifest"
                    : installed.state == release::RecordState::Unreadable
                        ? "release record cannot be read now: " + installed.problem
                        : "damaged release record: " + installed.problem)
                << "\n";
      return kFailed;
    }
    const release::InstallationReport report = release::CheckInstallation(root, installed.manifest);
    std::size_t missing = 0;
    for (const release::FileDifference& difference : report.differing) {
      const bool gone = difference.what == "missing";
      missing += gone ? 1 : 0;
      std::cout << (gone ? "missing: " + difference.name
                         : "changed: " + difference.name + " (" + difference.what + ")")
                << "\n";
    }
    for (const std::string& name : report.unlisted) std::cout << "unlisted: " << name << "\n";
    std::cout << "release: " << installed.manifest.product << " " << installed.manifest.version.text() << ", "
              << installed.manifest.files.size() << " files listed, " << missing << " missing, "
              << report.differing.size() - missing << " changed, " << report.unlisted.size() << " unlisted\n";
    return report.differing.empty() ? kDone : kFailed;
  });
}

}  // namespace publisher
