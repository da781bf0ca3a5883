#include "release/release_plan.h"

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

std::vector<std::string> Removals(const Manifest& incoming, const InstalledRelease& installed) {
  std::vector<std::string> removals;
  if (installed.state != RecordState::Present) return removals;
  for (const ReleaseFile& file : installed.manifest.files) {
    if (incoming.find(file.name) == nullptr) removals.push_back(file.name);
  }
  return removals;
}

}  // namespace

ReleasePlan PlanRelease(const Manifest* incoming, const InstalledRelease& installed) {
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
  plan.removals = Removals(*incoming, installed);
  return plan;
}

}  // namespace release
