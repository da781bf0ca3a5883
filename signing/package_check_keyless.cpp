// Programs built without a publisher key: no check, every package passes.
#include "signing/package_check.h"

namespace signing {

struct PackageCheck::State {};

bool PackageSigningEnabled() { return false; }

PackageCheck::PackageCheck(std::uint64_t) {}
PackageCheck::~PackageCheck() = default;
void PackageCheck::Update(const void*, std::size_t) {}
Verdict PackageCheck::Finish() { return Verdict::Valid; }

Verdict CheckPackageFile(const std::wstring&) { return Verdict::Valid; }
Verdict CheckPackage(platform::File&) { return Verdict::Valid; }

}  // namespace signing
