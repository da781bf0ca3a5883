// The release manifest reader under arbitrary bytes: nothing crashes or reads
// out of bounds, and the format has one spelling: whatever is accepted is
// written back byte for byte, with every name one a package may carry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "release/manifest.h"
#include "zipextract/package_entry_rule.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  release::Manifest manifest;
  std::string error;
  if (!release::ParseManifest(text, manifest, error)) {
    Require(!error.empty());
    return 0;
  }
  Require(release::FormatManifest(manifest) == text);
  Require(!manifest.files.empty() &&
          manifest.base.has_value() == (manifest.kind == release::ReleaseKind::Delta));
  for (const release::ReleaseFile& file : manifest.files) {
    Require(RefusedEntryName(file.name) == nullptr && manifest.find(file.name) == &file);
    Require(file.carried || manifest.kind == release::ReleaseKind::Delta);
  }
  for (const std::string& name : manifest.removed) Require(manifest.find(name) == nullptr);
  return 0;
}
