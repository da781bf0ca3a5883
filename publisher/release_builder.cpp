#include "publisher/release_builder.h"

#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include "publisher/path_text.h"
#include "release/installed_record.h"
#include "release/name_case.h"
#include "zipextract/package_release.h"
#include "zipextract/zip_reader.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

[[noreturn]] void Fail(const fs::path& path, const std::string& reason) {
  throw std::runtime_error(Utf8Text(path) + ": " + reason);
}

release::Digest DigestFile(const fs::path& path, std::uint64_t& size) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, "cannot read");
  release::Sha256 hash;
  std::vector<char> block(1 << 20);
  size = 0;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    hash.Update(block.data(), static_cast<std::size_t>(in.gcount()));
    size += static_cast<std::uint64_t>(in.gcount());
  }
  if (in.bad()) Fail(path, "read error");
  return hash.Finish();
}

release::Version ParseVersion(const std::string& text, const char* what) {
  const std::optional<release::Version> version = release::Version::Parse(text);
  if (!version)
    throw std::runtime_error(std::string(what) + " " + text +
                             ": not a version (1 to 8 dotted numbers, as 2.4.10)");
  return *version;
}

bool IsZipArchive(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[4] = {};
  return in.read(magic, sizeof magic) && std::string(magic, 4) == std::string("PK\x03\x04", 4);
}

release::Manifest ManifestOfPackage(const fs::path& package) {
  ZipReader reader;
  if (reader.open(WidePath(package), L".") != ZipOk) Fail(package, "not a readable zip archive");
  PackageRelease found;
  std::string error;
  if (ReadPackageRelease(reader, found, error) != ZipOk) Fail(package, error);
  if (!found.manifest)
    Fail(package, "has no release manifest (give that version's folder and --base-version instead)");
  return *found.manifest;
}

release::Manifest ManifestOfFile(const fs::path& path) {
  std::string text, error;
  release::Manifest manifest;
  if (!release::ReadManifestText(WidePath(path), text, error) ||
      !release::ParseManifest(text, manifest, error))
    Fail(path, "not a package or a release manifest: " + error);
  return manifest;
}

}  // namespace

std::vector<release::ReleaseFile> DigestFiles(const std::vector<PackageEntry>& entries) {
  std::vector<release::ReleaseFile> files;
  for (const PackageEntry& entry : entries) {
    if (entry.directory) continue;
    release::ReleaseFile file;
    file.name = entry.name;
    file.sha256 = DigestFile(entry.source, file.size);
    if (file.size != entry.size) Fail(entry.source, "changed while being read");
    files.push_back(std::move(file));
  }
  return files;
}

release::Manifest LoadBaseRelease(const fs::path& since, const std::string& folderVersion,
                                  const std::string& product) {
  std::error_code error;
  if (fs::is_directory(since, error)) {
    if (folderVersion.empty()) Fail(since, "a folder as the base needs --base-version (its version)");
    return FullRelease(product, folderVersion, DigestFiles(ScanFolder(since)));
  }
  if (!folderVersion.empty())
    Fail(since, "--base-version is for a folder; a package or manifest names its version");
  return IsZipArchive(since) ? ManifestOfPackage(since) : ManifestOfFile(since);
}

release::Manifest FullRelease(const std::string& product, const std::string& version,
                              std::vector<release::ReleaseFile> files) {
  if (const char* why = release::RefusedProductName(product))
    throw std::runtime_error("--product " + product + ": " + why);
  release::Manifest manifest;
  manifest.product = product;
  manifest.version = ParseVersion(version, "--version");
  manifest.files = std::move(files);
  if (manifest.files.size() > release::kMaxManifestFiles)
    throw std::runtime_error("more than 100000 files: a manifest cannot list them");
  return manifest;
}

release::Manifest DeltaRelease(const release::Manifest& full, const release::Manifest& base) {
  if (full.product != base.product)
    throw std::runtime_error("product " + full.product + " is not the base's product " + base.product);
  if (!(full.version > base.version))
    throw std::runtime_error("version " + full.version.text() + " is not above the base's " +
                             base.version.text());
  release::Manifest delta = full;
  delta.kind = release::ReleaseKind::Delta;
  delta.base = base.version;
  // Windows takes "Foo.dll" and "foo.dll" for one file: a new letter case
  // replaces (or keeps) the file, it never removes it.
  std::map<std::u32string, const release::ReleaseFile*> before;
  for (const release::ReleaseFile& file : base.files) before[release::FoldedName(file.name)] = &file;
  std::set<std::u32string> listed;
  for (release::ReleaseFile& file : delta.files) {
    const auto found = before.find(release::FoldedName(file.name));
    file.carried = found == before.end() || found->second->size != file.size ||
                   found->second->sha256 != file.sha256;
    listed.insert(release::FoldedName(file.name));
  }
  for (const release::ReleaseFile& file : base.files) {
    if (listed.count(release::FoldedName(file.name)) == 0) delta.removed.push_back(file.name);
  }
  return delta;
}

std::vector<PackageEntry> ReleaseEntries(const std::vector<PackageEntry>& entries,
                                         const release::Manifest& manifest, const fs::path& manifestFile) {
  const std::string text = release::FormatManifest(manifest);
  std::string error;
  release::Manifest check;
  if (!release::ParseManifest(text, check, error)) throw std::runtime_error("release manifest: " + error);
  {
    std::ofstream out(manifestFile, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) Fail(manifestFile, "cannot write");
  }
  std::vector<PackageEntry> packed;
  packed.push_back({release::kManifestEntryName, manifestFile, text.size(), false});
  for (const PackageEntry& entry : entries) {
    const release::ReleaseFile* file = manifest.find(entry.name);
    if (entry.directory || (file != nullptr && file->carried)) packed.push_back(entry);
  }
  return packed;
}

}  // namespace publisher
