#include "publisher/release_report.h"

#include "platform/file_system.h"
#include "publisher/path_text.h"
#include "zipextract/package_release.h"
#include "zipextract/release_staging.h"
#include "zipextract/zip_reader.h"

namespace publisher {
namespace {

// Every file entry against the manifest; the manifest entry itself is skipped.
void CheckEntries(ZipReader& reader, const PackageRelease& found, ReleaseReport& report) {
  ReleaseStaging staging(*found.manifest);
  ZipEntryInfo archive;
  reader.entryInfo(-1, archive);
  for (int index = 0; index < archive.index; ++index) {
    ZipEntryInfo info;
    if (index == found.entryIndex || reader.entryInfo(index, info) != ZipOk ||
        (info.attributes & platform::kAttributeDirectory) != 0)
      continue;
    std::string why;
    const release::ReleaseFile* listed = staging.admit(info.nameBytes, why);
    if (listed == nullptr) {
      report.problems.push_back(info.nameBytes + ": " + why);
      continue;
    }
    release::Sha256 hash;
    std::uint64_t size = 0;
    const ZipResult read = reader.readEntryTo(index, [&](const unsigned char* data, std::size_t length) {
      hash.Update(data, length);
      size += length;
      return true;
    });
    if (read == ZipOk && !ReleaseStaging::confirm(*listed, size, hash.Finish(), why))
      report.problems.push_back(info.nameBytes + ": " + why);
  }
  std::string why;
  if (!staging.complete(why)) report.problems.push_back(why);
}

}  // namespace

ReleaseReport InspectRelease(const std::filesystem::path& package) {
  ReleaseReport report;
  ZipReader reader;
  if (reader.open(WidePath(package), L".") != ZipOk) return report;  // the package report says why
  PackageRelease found;
  std::string error;
  if (ReadPackageRelease(reader, found, error) != ZipOk) {
    report.problems.push_back(Utf8Text(package) + ": " + error);
    return report;
  }
  if (!found.manifest) return report;
  report.hasManifest = true;
  report.manifest = *found.manifest;
  report.text = found.text;
  CheckEntries(reader, found, report);
  return report;
}

std::string DescribeRelease(const release::Manifest& manifest) {
  std::size_t carried = 0;
  for (const release::ReleaseFile& file : manifest.files) carried += file.carried ? 1 : 0;
  std::string text =
      manifest.product + " " + manifest.version.text() + ", " + release::KindName(manifest.kind);
  if (manifest.base) text += " from " + manifest.base->text();
  text +=
      ": " + std::to_string(manifest.files.size()) + " files (" + std::to_string(carried) + " in the package";
  if (manifest.kind == release::ReleaseKind::Delta)
    text += ", " + std::to_string(manifest.files.size() - carried) + " kept";
  text += "), " + std::to_string(manifest.removed.size()) + " removed";
  if (manifest.fullPackage) text += "; full package " + manifest.fullPackage->url;
  return text;
}

}  // namespace publisher
