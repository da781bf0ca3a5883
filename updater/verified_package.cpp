#include "updater/verified_package.h"

#include <vector>

#include "logging/n_log.h"
#include "platform/folder.h"
#include "platform/platform.h"
#include "signing/verdict.h"
#include "updater/download/package_digests.h"
#include "updater/download/segment_join.h"
#include "updater/zip_conf.h"

namespace {

constexpr std::size_t kReadBlock = 1 << 20;

// A package another program holds (a virus scanner looking at the new file)
// is tried again for a few seconds before the install gives up on it.
constexpr int kBusyTries = 12;
constexpr std::uint32_t kBusyPauseMs = 250;

platform::File OpenInItsFolder(const std::filesystem::path& package, std::string& why) {
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder = platform::Folder::Open(WideFromPath(package.parent_path()), status);
  platform::File file;
  for (int attempt = 1; folder.isOpen(); ++attempt) {
    file = folder.openFile(WideFromPath(package.filename()), platform::FileUse::Read, status);
    if (status != platform::OpenStatus::Busy || attempt >= kBusyTries) break;
    if (attempt == 1) ZM_WARN << "update package busy (held by another program), trying again";
    platform::SleepMs(kBusyPauseMs);
  }
  if (file.isOpen()) return file;
  why = status == platform::OpenStatus::Busy
            ? "the package is busy: another program has held it for " +
                  std::to_string(kBusyTries * kBusyPauseMs / 1000) + " s" + platform::LastErrorText()
            : std::string("cannot open the package: ") + platform::DescribeOpenStatus(status);
  return file;
}

// Feeds every byte from the start of the file to the digests.
bool DigestAll(platform::File& file, PackageDigests& digests) {
  if (file.seek(0, platform::SeekOrigin::Begin) != 0) return false;
  std::vector<char> block(kReadBlock);
  for (;;) {
    const std::int64_t got = file.read(block.data(), block.size());
    if (got < 0) return false;
    if (got == 0) return true;
    digests.Update(block.data(), static_cast<std::size_t>(got));
  }
}

}  // namespace

platform::File OpenVerifiedPackage(const std::filesystem::path& package, const std::string& expectedMd5,
                                   std::int64_t expectedLength, std::string& why,
                                   const release::Digest* expectedSha256) {
  platform::File file = OpenInItsFolder(package, why);
  if (!file.isOpen()) return file;
  const std::int64_t length = file.size();
  if (length < 0 || (expectedLength > 0 && length != expectedLength)) {
    why = "package length " + std::to_string(length) + ", expected " + std::to_string(expectedLength);
    return platform::File();
  }
  PackageDigests digests(static_cast<std::uint64_t>(length), expectedSha256 != nullptr);
  if (!DigestAll(file, digests)) {
    why = "cannot read the package" + platform::LastErrorText();
    return platform::File();
  }
  const std::string md5 = digests.Md5Hex();
  if (!SameDigest(md5, expectedMd5)) {
    why = "package changed since its download: md5 " + md5 + ", expected " + expectedMd5;
    return platform::File();
  }
  if (expectedSha256 && digests.Sha256() != *expectedSha256) {
    why = "package changed since its download: its SHA-256 is not the one its release manifest names";
    return platform::File();
  }
  const signing::Verdict verdict = digests.SignatureVerdict();
  if (verdict != signing::Verdict::Valid) {
    why = std::string("package refused: ") + signing::DescribeVerdict(verdict);
    return platform::File();
  }
  return file;
}
