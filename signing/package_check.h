#pragma once
// The programs' package check. A program built with a publisher key (the
// ZVK_PUBLISHER_KEY build setting) accepts only packages that key signed; one
// built without carries no check at all: every package passes, as before.
// Which of the two a program is comes from the object it links (see
// CMakeLists.txt), so the keyless programs contain no cryptography.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "signing/verdict.h"

namespace signing {

bool PackageSigningEnabled();

// One package's bytes, fed in order in one pass, by one thread at a time. In keyed
// builds the hash runs on a thread of its own, which the destructor ends.
class PackageCheck {
 public:
  // Throws (std::runtime_error, std::system_error) when the system's crypto
  // provider or a thread cannot be had; callers then refuse the package.
  explicit PackageCheck(std::uint64_t packageSize);
  ~PackageCheck();
  PackageCheck(const PackageCheck&) = delete;
  PackageCheck& operator=(const PackageCheck&) = delete;

  void Update(const void* data, std::size_t size);
  // Valid when the package may be installed. Call once, after the last Update.
  Verdict Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The same check over a whole file; never throws (a missing provider
// counts as Unreadable).
Verdict CheckPackageFile(const std::wstring& path);
// The same through a package the caller has open, read from its start: the
// caller goes on to use that same handle. Never throws; Unreadable when a
// read fails (keyless builds read nothing and pass).
Verdict CheckPackage(platform::File& package);

}  // namespace signing
