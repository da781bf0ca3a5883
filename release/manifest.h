#pragma once
// The release manifest: what a package installs, as one signed entry of the
// package (kManifestEntryName), and, once installed, as the installation's
// record of its product and version (kInstalledRecordName).
//
// UTF-8 text, one item per line, each line ending in "\n", fields separated
// by one space, names last (they may hold spaces):
//
//   zvk-release 1
//   product zvkclient
//   version 2.4.10
//   kind delta                       full or delta
//   base 2.4.9                       a delta only: the version it applies to
//   full-package SIZE MD5 SHA256 URL a delta only, optional: the full package
//   add SIZE SHA256 NAME             a file of this version, in this package
//   keep SIZE SHA256 NAME            a delta only: a file unchanged since the base
//   remove NAME                      a file of the base this version no longer has
//
// The header lines come in this order; then the add and keep lines together
// in strictly ascending byte order of their names, then the remove lines in
// the same order. Names follow the rule for package entry names (files only,
// "/" between folders, never a reserved name) and are unique, letter case
// aside. Sizes are decimal without leading zeros and below 2 GiB; digests
// are lower-case hex.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "release/sha256.h"
#include "release/version.h"

namespace release {

// The package's manifest entry and the installation's record; both names
// are reserved: no package entry may write them.
constexpr char kManifestEntryName[] = "~zvk-apply-release";
constexpr wchar_t kInstalledRecordName[] = L"~zvk-apply-installed";

// Bounds for untrusted manifests: a reader never holds more than this.
constexpr std::size_t kMaxManifestBytes = 32u << 20;
constexpr std::size_t kMaxManifestFiles = 100000;
constexpr std::size_t kMaxProductLength = 64;
constexpr std::size_t kMaxUrlLength = 2048;
// Every listed file fits a package (the programs use 32-bit sizes).
constexpr std::uint64_t kMaxFileSize = (std::uint64_t{1} << 31) - 1;

enum class ReleaseKind { Full, Delta };

struct ReleaseFile {
  std::string name;  // UTF-8, "/" separators
  std::uint64_t size = 0;
  Digest sha256{};
  bool carried = true;  // in this package (add); false: kept from the base (keep)
};

// The full package of the same version, for installations a delta does not fit.
struct FullPackageRef {
  std::uint64_t size = 0;
  std::string md5;  // 32 lower-case hex digits
  Digest sha256{};
  std::string url;  // http:// or https://, no blanks or quotes
};

struct Manifest {
  std::string product;
  Version version;
  ReleaseKind kind = ReleaseKind::Full;
  std::optional<Version> base;                // set exactly for a delta
  std::optional<FullPackageRef> fullPackage;  // a delta only
  std::vector<ReleaseFile> files;             // every file of the version, by name
  std::vector<std::string> removed;           // by name

  // The file of that exact name, or nullptr.
  const ReleaseFile* find(const std::string& name) const;
};

// Reads a manifest; false with `error` ("line N: why") on anything the
// format above does not allow. Never reads past `text`; bounded by the limits.
bool ParseManifest(const std::string& text, Manifest& manifest, std::string& error);

// The manifest's text (files and removals sorted by name). What it returns
// parses back to the same manifest when the manifest keeps the rules above.
std::string FormatManifest(const Manifest& manifest);

// nullptr when the product name may be used: 1 to 64 characters of
// letters, digits, ".", "_", "-" and inner spaces, starting with a letter or digit.
const char* RefusedProductName(const std::string& product);
// nullptr when the URL may be named as a full package.
const char* RefusedPackageUrl(const std::string& url);

const char* KindName(ReleaseKind kind);

}  // namespace release
