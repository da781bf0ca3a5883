#include "zipextract/package_release.h"

#include "platform/folder.h"
#include "release/installation_check.h"
#include "release/installed_record.h"
#include "zipextract/zip_reader.h"

namespace {

using release::ReleaseVerdict;

ZipResult ReadManifestEntry(ZipReader& reader, const ZipEntryInfo& info, PackageRelease& found,
                            std::string& error) {
  if (info.uncompressedSize > release::kMaxManifestBytes) {
    error = "release manifest larger than 32 MiB";
    return ZipErrRelease;
  }
  found.text.clear();
  const ZipResult read =
      reader.readEntryTo(info.index, [&found](const unsigned char* data, std::size_t size) {
        if (found.text.size() + size > release::kMaxManifestBytes) return false;
        found.text.append(reinterpret_cast<const char*>(data), size);
        return true;
      });
  if (read != ZipOk) {
    error = "release manifest cannot be read whole";
    return read == ZipErrWrite ? ZipErrRelease : read;
  }
  release::Manifest manifest;
  if (!release::ParseManifest(found.text, manifest, error)) {
    error = "release manifest refused: " + error;
    return ZipErrRelease;
  }
  found.manifest = std::move(manifest);
  return ZipOk;
}

std::wstring WithSeparator(const std::wstring& folder) {
  return !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/') ? folder : folder + L"\\";
}

}  // namespace

ZipResult ReadPackageRelease(ZipReader& reader, PackageRelease& release, std::string& error) {
  release = PackageRelease{};
  ZipEntryInfo archive;
  if (const ZipResult counted = reader.entryInfo(-1, archive); counted != ZipOk) return counted;
  for (int index = 0; index < archive.index; ++index) {
    ZipEntryInfo info;
    if (const ZipResult looked = reader.entryInfo(index, info); looked != ZipOk) {
      error = "entry " + std::to_string(index) + " cannot be read";
      return looked;
    }
    if (info.nameBytes != release::kManifestEntryName) continue;
    if (release.entryIndex >= 0) {
      error = "two release manifests";
      return ZipErrRelease;
    }
    release.entryIndex = index;
    if (const ZipResult read = ReadManifestEntry(reader, info, release, error); read != ZipOk) return read;
  }
  return ZipOk;
}

ReleaseFit JudgeRelease(const PackageRelease& release, const std::wstring& root, bool checkKeptFiles) {
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::OpenTrusted(WithSeparator(root), status);
  // A folder that cannot be opened leaves the record absent or unreadable.
  const release::InstalledRelease installed = folder.isOpen() ? release::ReadInstalledRelease(folder)
                                                              : release::ReadInstalledRelease(WithSeparator(root));
  const release::Manifest* manifest = release.manifest ? &*release.manifest : nullptr;
  const release::ReleasePlan plan = release::PlanRelease(manifest, installed);
  ReleaseFit fit;
  fit.verdict = plan.verdict;
  fit.reason = plan.reason;
  fit.fullPackageMayFit = plan.fullPackageMayFit;
  fit.removals = plan.removals;
  if (manifest != nullptr) fit.fullPackage = manifest->fullPackage;
  if (plan.verdict != ReleaseVerdict::Install || manifest->kind != release::ReleaseKind::Delta ||
      !checkKeptFiles || !folder.isOpen())
    return fit;
  if (const auto difference = release::FirstChangedKeptFile(folder, *manifest)) {
    fit.verdict = ReleaseVerdict::Refused;
    fit.reason = manifest->product + " " + manifest->version.text() + " is a delta, and the installed " +
                 difference->name + " is not the file of version " + manifest->base->text() + " (" +
                 difference->what + ")";
    fit.fullPackageMayFit = true;
    fit.removals.clear();
  }
  return fit;
}

namespace {

ReleaseFit JudgeOpenedPackage(ZipReader& reader, ZipResult opened, const std::wstring& installFolder) {
  ReleaseFit refused;
  refused.verdict = ReleaseVerdict::Refused;
  if (opened != ZipOk) {
    refused.reason = "not a readable zip archive";
    return refused;
  }
  PackageRelease release;
  if (ReadPackageRelease(reader, release, refused.reason) != ZipOk) return refused;
  reader.close();
  return JudgeRelease(release, installFolder, true);
}

}  // namespace

ReleaseFit JudgePackageForInstallation(const std::wstring& packagePath, const std::wstring& installFolder) {
  ZipReader reader;
  const ZipResult opened = installFolder.empty() ? ZipErrArgs : reader.open(packagePath, installFolder);
  return JudgeOpenedPackage(reader, opened, installFolder);
}

ReleaseFit JudgePackageForInstallation(platform::File& package, const std::wstring& installFolder) {
  ZipReader reader;
  const ZipResult opened = installFolder.empty() ? ZipErrArgs : reader.open(package, installFolder);
  return JudgeOpenedPackage(reader, opened, installFolder);
}
