#include "launcher/pending_package.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/package_verdict.h"
#include "logging/n_log.h"
#include "platform/platform.h"
#include "signing/package_check.h"
#include "zipextract/package_apply.h"
#include "zipextract/zip_reader.h"

namespace {

using platform::File;
using platform::FileUse;
using platform::Folder;
using platform::OpenStatus;

constexpr wchar_t kUpdaterName[] = L"Updater.exe";
constexpr const wchar_t* kDownloadLeftovers[] = {L"update.td0", L"update.td1", L"update.td2", L"update.td3",
                                                 L"update.td"};
// The updater starts the launcher as its last act and is still ending when
// the launcher looks: its program file stays in use for a moment.
constexpr int kUpdaterRemoveTries = 30;
constexpr std::uint32_t kUpdaterRemovePauseMs = 100;
constexpr wchar_t kTempName[] = L"temp";
constexpr wchar_t kPackageName[] = L"update.zip";
// The copy from temp\ while it is written, renamed to update.zip once whole.
constexpr wchar_t kCopyName[] = L"update.zip.part";
constexpr wchar_t kFailedPackageName[] = L"update.failed.zip";
constexpr wchar_t kRejectedPackageName[] = L"update.rejected.zip";
// How many starts in a row failed to apply the package beside it.
constexpr wchar_t kFailedStartsName[] = L"update.tries";
constexpr std::size_t kCopyBlock = 1 << 20;

void Pause(const PendingUpdateOptions& options, PendingPoint point) {
  if (options.pause) options.pause(point);
}

const char* Why(OpenStatus status) { return platform::DescribeOpenStatus(status); }

// Removes a plain file through its handle; anything else of that name stays.
// A file still in use is tried again `tries` times in all, a pause apart.
void RemoveIfPlain(const Folder& folder, const std::wstring& name, int tries = 1) {
  for (int attempt = 1;; ++attempt) {
    OpenStatus status = OpenStatus::Failed;
    File file = folder.openFile(name, FileUse::Remove, status);
    if (status == OpenStatus::Missing) return;
    if (status == OpenStatus::Link || status == OpenStatus::NotPlain) {
      ZM_ERROR << "not a plain file, left alone: " << folder.path() << name << " (" << Why(status) << ")";
      return;
    }
    if (status == OpenStatus::Opened && folder.removeFile(file, name)) return;
    if (attempt >= tries) {
      ZM_WARN << "cannot remove " << folder.path() << name << " (" << Why(status) << ")"
              << platform::LastErrorText();
      return;
    }
    file.close();
    platform::SleepMs(kUpdaterRemovePauseMs);
  }
}

int ReadFailedStarts(const Folder& install) {
  OpenStatus status = OpenStatus::Failed;
  File file = install.openFile(kFailedStartsName, FileUse::Read, status);
  char text[16] = {};
  if (!file.isOpen() || file.read(text, sizeof text - 1) <= 0) return 0;
  return std::atoi(text);
}

void WriteFailedStarts(const Folder& install, int count) {
  RemoveIfPlain(install, kFailedStartsName);
  File file = install.createFile(kFailedStartsName);
  const std::string text = std::to_string(count);
  if (!file.isOpen() || !file.write(text.data(), text.size()))
    ZM_ERROR << "cannot record the failed start count" << platform::LastErrorText();
}

bool CopyBlocks(File& from, File& to) {
  if (from.seek(0, platform::SeekOrigin::Begin) != 0) return false;
  std::vector<char> block(kCopyBlock);
  for (;;) {
    const std::int64_t got = from.read(block.data(), block.size());
    if (got < 0) return false;
    if (got == 0) return to.flush();
    if (!to.write(block.data(), static_cast<std::size_t>(got))) return false;
  }
}

// Copies the open download into the installation as update.zip: a new file
// there first (that only administrators may open, whatever the folder passes
// on), renamed over update.zip once whole, so a failed copy keeps what was
// there and leaves no part behind.
bool CopyInto(File& download, const Folder& install) {
  RemoveIfPlain(install, kCopyName);
  File copy = install.createFile(kCopyName);
  if (!copy.isOpen()) {
    ZM_ERROR << "cannot create " << install.path() << kCopyName << platform::LastErrorText();
    return false;
  }
  if (CopyBlocks(download, copy) && install.renameFile(copy, kCopyName, kPackageName)) return true;
  ZM_ERROR << "cannot copy the pending update to " << install.path() << kPackageName
           << platform::LastErrorText();
  if (!install.removeFile(copy, kCopyName))
    ZM_WARN << "cannot remove " << install.path() << kCopyName << platform::LastErrorText();
  return false;
}

// A keyless build trusts what lies in temp\ only where users cannot have put
// it: in a folder, and a file, that only administrators can write.
bool TempTrusted(const PendingUpdateOptions& options, const Folder& temp, const File& download) {
  if (options.tempTrusted) return options.tempTrusted(temp, download);
  return signing::PackageSigningEnabled() ||
         (temp.onlyAdministratorsCanWrite() && platform::OnlyAdministratorsCanWrite(download));
}

}  // namespace

void PreparePendingPackage(const std::wstring& directory, const PendingUpdateOptions& options) {
  OpenStatus status = OpenStatus::Failed;
  const Folder install = Folder::Open(directory, status);
  if (!install.isOpen()) {
    ZM_ERROR << "cannot open the launcher's folder " << directory << " (" << Why(status) << ")";
    return;
  }
  const Folder temp = install.openFolder(kTempName, status);
  if (status == OpenStatus::Missing) return;
  if (!temp.isOpen()) {
    ZM_ERROR << "temp is not a plain folder, left alone: " << install.path() << kTempName << " ("
             << Why(status) << ")";
    return;
  }
  Pause(options, PendingPoint::TempChecked);
  RemoveIfPlain(temp, kUpdaterName, kUpdaterRemoveTries);
  for (const wchar_t* leftover : kDownloadLeftovers) RemoveIfPlain(temp, leftover);

  File download = temp.openFile(kPackageName, FileUse::ReadRemove, status);
  if (status == OpenStatus::Missing) return;
  if (status == OpenStatus::Busy) {
    ZM_WARN << "pending update busy (held by another program), left in " << temp.path()
            << " for the next start" << platform::LastErrorText();
    return;
  }
  if (!download.isOpen()) {
    ZM_ERROR << "pending update left alone: " << temp.path() << kPackageName << " (" << Why(status) << ")";
    return;
  }
  if (!TempTrusted(options, temp, download)) {
    ZM_ERROR << "pending update left alone: users who are not administrators may write " << temp.path()
             << " or its " << std::wstring(kPackageName)
             << ", and this build has no publisher key to check what they put there; let only administrators "
                "write that folder (as the installer should) or use a build with a publisher key";
    return;
  }
  Pause(options, PendingPoint::DownloadChecked);
  if (!CopyInto(download, install)) return;  // the download stays: the next start tries again
  if (!temp.removeFile(download, kPackageName))
    ZM_WARN << "cannot remove " << temp.path() << kPackageName << platform::LastErrorText();
  RemoveIfPlain(install, kFailedStartsName);  // a new package starts counting anew
  ZM_INFO << "pending update moved to " << install.path() << kPackageName;
}

namespace {

PendingUpdateResult SetAsideFailed(const Folder& install, File* package, int failedStarts) {
  if (package != nullptr && install.renameFile(*package, kPackageName, kFailedPackageName)) {
    ZM_ERROR << "pending update failed " << kMaxFailedStarts << " starts in a row, set aside as "
             << std::wstring(kFailedPackageName);
    RemoveIfPlain(install, kFailedStartsName);
    return PendingUpdateResult::SetAside;
  }
  ZM_ERROR << "pending update failed " << kMaxFailedStarts << " starts in a row and cannot be set aside"
           << platform::LastErrorText();
  WriteFailedStarts(install, failedStarts);
  return PendingUpdateResult::Kept;
}

// Keeps an unread or unapplied package for the next start; after the last of
// kMaxFailedStarts starts in a row it is set aside (when it is open to be).
PendingUpdateResult CountFailedStart(const Folder& install, File* package, int failedStarts) {
  if (DecidePendingPackage(true, failedStarts + 1) == PackageVerdict::SetAside)
    return SetAsideFailed(install, package, failedStarts + 1);
  WriteFailedStarts(install, failedStarts + 1);
  return PendingUpdateResult::Kept;
}

// A package that failed its signature check is kept (replacing an earlier
// one) rather than deleted, for whoever looks into it.
void SetAsideRejected(const Folder& install, File& package) {
  if (install.renameFile(package, kPackageName, kRejectedPackageName)) {
    ZM_ERROR << "pending update set aside as " << std::wstring(kRejectedPackageName);
  } else {
    ZM_ERROR << "pending update cannot be set aside" << platform::LastErrorText() << "; deleted";
    install.removeFile(package, kPackageName);
  }
  RemoveIfPlain(install, kFailedStartsName);
}

enum class Judgement { Apply, Unreadable, Rejected, NotZip };

// Builds with a publisher key install only what that key signed. The
// signature comes first: an unsigned file is never opened as an archive.
Judgement Judge(File& package, const std::wstring& root) {
  const signing::Verdict signature = signing::CheckPackage(package);
  if (signature == signing::Verdict::Unreadable) {
    ZM_ERROR << "pending update cannot be read now: " << signing::DescribeVerdict(signature)
             << platform::LastErrorText();
    return Judgement::Unreadable;
  }
  if (signature != signing::Verdict::Valid) {
    ZM_ERROR << "pending update refused, not installed: " << signing::DescribeVerdict(signature);
    return Judgement::Rejected;
  }
  ZipReader reader;
  const ZipResult opened = reader.open(package, root);
  if (opened == ZipErrRead) {
    ZM_ERROR << "pending update cannot be read now" << platform::LastErrorText();
    return Judgement::Unreadable;
  }
  return opened == ZipOk ? Judgement::Apply : Judgement::NotZip;
}

// A release the installation must not take is set aside at once, as no
// later start would take it either; the version installed already (the forced
// road's updater installed it moments ago) leaves nothing to do.
bool SettledByRelease(const Folder& install, File& package, const ApplyOutcome& outcome,
                      PendingUpdateResult& result) {
  if (outcome.refused) {
    ZM_ERROR << "pending update refused, not installed: " << outcome.detail;
    SetAsideRejected(install, package);
    result = PendingUpdateResult::Rejected;
    return true;
  }
  if (!outcome.alreadyInstalled) return false;
  ZM_INFO << "pending update not applied: " << outcome.detail;
  install.removeFile(package, kPackageName);
  RemoveIfPlain(install, kFailedStartsName);
  result = PendingUpdateResult::AlreadyInstalled;
  return true;
}

}  // namespace

PendingUpdateResult ApplyPendingPackage(const std::wstring& directory, const PendingUpdateOptions& options) {
  OpenStatus status = OpenStatus::Failed;
  const Folder install = Folder::Open(directory, status);
  if (!install.isOpen()) {
    ZM_ERROR << "cannot open the launcher's folder " << directory << " (" << Why(status) << ")";
    return PendingUpdateResult::None;
  }
  File package = install.openFile(kPackageName, FileUse::ReadRemove, status);
  if (status == OpenStatus::Missing) return PendingUpdateResult::None;
  if (status == OpenStatus::Busy) {
    // Whoever holds it (a virus scanner, a backup) lets it go again: a
    // package is not given up on for that.
    ZM_WARN << "pending update busy (held by another program), kept for the next start and not counted as a "
               "failed one: "
            << install.path() << kPackageName << platform::LastErrorText();
    return PendingUpdateResult::Kept;
  }
  const int failedStarts = ReadFailedStarts(install);
  if (status == OpenStatus::Failed) {
    ZM_ERROR << "pending update cannot be opened now, kept: " << install.path() << kPackageName << " ("
             << Why(status) << ")" << platform::LastErrorText();
    return CountFailedStart(install, nullptr, failedStarts);
  }
  if (!package.isOpen()) {
    ZM_ERROR << "pending update left alone: " << install.path() << kPackageName << " (" << Why(status) << ")";
    return PendingUpdateResult::Kept;
  }
  switch (Judge(package, install.path())) {
    case Judgement::Unreadable:
      return CountFailedStart(install, &package, failedStarts);
    case Judgement::Rejected:
      SetAsideRejected(install, package);
      return PendingUpdateResult::Rejected;
    case Judgement::NotZip:
      ZM_ERROR << "pending update is not a zip archive, deleted";
      install.removeFile(package, kPackageName);
      RemoveIfPlain(install, kFailedStartsName);
      return PendingUpdateResult::Deleted;
    case Judgement::Apply:
      break;
  }
  if (DecidePendingPackage(true, failedStarts) == PackageVerdict::SetAside)
    return SetAsideFailed(install, &package, failedStarts);
  Pause(options, PendingPoint::PackageChecked);
  const ApplyOutcome outcome = ApplyPackage(package, install.path());
  PendingUpdateResult settled = PendingUpdateResult::None;
  if (SettledByRelease(install, package, outcome, settled)) return settled;
  if (outcome.result == ZipOk) {
    ZM_INFO << "pending update installed";
    install.removeFile(package, kPackageName);
    RemoveIfPlain(install, kFailedStartsName);
    return PendingUpdateResult::Installed;
  }
  ZM_ERROR << "pending update not applied, the installation is unchanged (start " << failedStarts + 1
           << " of " << kMaxFailedStarts << ", result 0x" << std::hex << outcome.result << std::dec
           << "): " << outcome.detail;
  return CountFailedStart(install, &package, failedStarts);
}
