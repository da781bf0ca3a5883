#include "release/release_plan.h"

#include <set>

#include "release/name_case.h"

namespace release {
namespace {

ReleasePlan Refuse(std::string reason, bool fullPackageMayFit = false) {
  ReleasePlan plan;
  plan.verdict = ReleaseVerdict::Refused;
  plan.reason = std::move(reason);
  plan.fullPackageMayFit = fullPackageMayFit;
  return plan;
}

std::string Describe(const InstalledRelease& installed) {
  if (installed.state == RecordState::Damaged) return "a damaged release record (" + installed.problem + ")";
  if (installed.state == RecordState::Absent) return "no release record";
  return installed.manifest.product + " " + installed.manifest.version.text();
}

std::set<std::u32string> FoldedNames(const Manifest& manifest) {
  std::set<std::u32string> names;
  for (const ReleaseFile& file : manifest.files) names.insert(FoldedName(file.name));
  return names;
}

// A name of the new version that is the same file on Windows ("foo.dll" for
// "Foo.dll") is replaced or kept, never removed.
std::vector<std::string> Removals(const Manifest& incoming, const Manifest& current) {
  const std::set<std::u32string> kept = FoldedNames(incoming);
  std::vector<std::string> removals;
  for (const ReleaseFile& file : current.files) {
    if (kept.count(FoldedName(file.name)) == 0) removals.push_back(file.name);
  }
  return removals;
}

// The swap moves files, never folders: a file of one version where the other
// has a folder cannot be installed in one go. Empty when there is none.
std::string FileAndFolderClash(const Manifest& incoming, const Manifest& current) {
  const std::set<std::u32string> currentFiles = FoldedNames(current);
  const std::set<std::u32string> incomingFiles = FoldedNames(incoming);
  auto clash = [](const std::set<std::u32string>& files, const std::string& name) {
    const std::u32string folded = FoldedName(name);
    for (std::size_t slash = folded.find(U'/'); slash != std::u32string::npos;
         slash = folded.find(U'/', slash + 1)) {
      if (files.count(folded.substr(0, slash)) != 0) return true;
    }
    return false;
  };
  for (const ReleaseFile& file : incoming.files) {
    if (clash(currentFiles, file.name)) return file.name + " is inside a file of the installed version";
  }
  for (const ReleaseFile& file : current.files) {
    if (clash(incomingFiles, file.name))
      return file.name + " of the installed version is inside a file of the new one";
  }
  return std::string();
}

}  // namespace

ReleasePlan PlanRelease(const Manifest* incoming, const InstalledRelease& installed) {
  if (installed.state == RecordState::Unreadable) {
    ReleasePlan plan;
    plan.verdict = ReleaseVerdict::NotNow;
    plan.reason = "the installation's release record cannot be read now: " + installed.problem;
    return plan;
  }
  // Read as no record, a damaged one would let any package install.
  if (installed.state == RecordState::Damaged) return Refuse("the installation has " + Describe(installed));
  if (incoming == nullptr) {
    if (installed.state == RecordState::Absent) return ReleasePlan{};
    // Without a manifest nothing says which product or version this is:
    // it could take the installation back to any earlier release.
    return Refuse("a package without a release manifest, and the installation has " + Describe(installed));
  }
  const std::string offered = incoming->product + " " + incoming->version.text();
  if (installed.state == RecordState::Present) {
    const Manifest& current = installed.manifest;
    if (incoming->product != current.product)
      return Refuse(offered + " is another product than " + Describe(installed));
    const int order = Compare(incoming->version, current.version);
    if (order < 0) return Refuse(offered + " is older than the installed " + Describe(installed));
    if (order == 0) {
      ReleasePlan plan;
      plan.verdict = ReleaseVerdict::AlreadyInstalled;
      plan.reason = offered + " is installed already";
      return plan;
    }
  }
  if (incoming->kind == ReleaseKind::Delta &&
      (installed.state != RecordState::Present || *incoming->base != installed.manifest.version))
    return Refuse(offered + " is a delta from " + incoming->base->text() + ", and the installation has " +
                      Describe(installed),
                  true);
  ReleasePlan plan;
  plan.verdict = ReleaseVerdict::Install;
  if (installed.state != RecordState::Present) return plan;
  const std::string clash = FileAndFolderClash(*incoming, installed.manifest);
  if (!clash.empty())
    return Refuse(offered + " cannot be installed over " + Describe(installed) + ": " + clash +
                  " (publish the file's removal and the folder in two versions)");
  plan.removals = Removals(*incoming, installed.manifest);
  return plan;
}

}  // namespace release
