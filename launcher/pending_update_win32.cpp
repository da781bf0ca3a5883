#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "launcher/package_verdict.h"
#include "launcher/pending_update.h"
#include "logging/n_log.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "signing/package_check.h"
#include "zipextract/package_apply.h"
#include "zipextract/zip_reader.h"

namespace {

constexpr const wchar_t* kLeftovers[] = {L"temp\\Updater.exe", L"temp\\update.td0", L"temp\\update.td1",
                                         L"temp\\update.td2",  L"temp\\update.td3", L"temp\\update.td"};
constexpr wchar_t kTempFolder[] = L"temp\\";
constexpr wchar_t kPackageName[] = L"update.zip";
constexpr wchar_t kFailedPackageName[] = L"update.failed.zip";
constexpr wchar_t kRejectedPackageName[] = L"update.rejected.zip";
// How many starts in a row failed to apply the package beside it.
constexpr wchar_t kFailedStartsName[] = L"update.tries";

std::wstring WorkingDirectory() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring directory(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, &directory[0]);
  if (length == 0 || length >= needed) return std::wstring();
  directory.resize(length);
  if (directory.back() != L'\\') directory.push_back(L'\\');
  return directory;
}

int ReadFailedStarts(const std::wstring& path) {
  platform::File file = platform::File::OpenForRead(path);
  char text[16] = {};
  if (!file.isOpen() || file.read(text, sizeof text - 1) <= 0) return 0;
  return std::atoi(text);
}

void WriteFailedStarts(const std::wstring& path, int count) {
  platform::DiscardFile(path);
  platform::File file = platform::File::CreateNew(path, 0);
  const std::string text = std::to_string(count);
  if (!file.isOpen() || !file.write(text.data(), text.size()))
    ZM_ERROR << "cannot record the failed start count";
}

// The one place where a pending package is accepted or refused before it
// is applied.
PackageVerdict JudgePendingPackage(const std::wstring& package, const std::wstring& directory,
                                   int failedStarts) {
  // Builds with a publisher key install only what that key signed. The
  // signature comes first: an unsigned file is never opened as an archive.
  const signing::Verdict signature = signing::CheckPackageFile(package);
  if (signature != signing::Verdict::Valid) {
    ZM_ERROR << "pending update refused, not installed: " << signing::DescribeVerdict(signature);
    return PackageVerdict::Reject;
  }
  ZipReader reader;
  const bool isZip = reader.open(package, directory) == ZipOk;
  return DecidePendingPackage(isZip, failedStarts);
}

// A package that failed its signature check is kept (replacing an earlier
// one) rather than deleted, for whoever looks into it.
void SetAsideRejected(const std::wstring& directory) {
  if (MoveFileExW((directory + kPackageName).c_str(), (directory + kRejectedPackageName).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ZM_ERROR << "pending update set aside as " << std::wstring(kRejectedPackageName);
  } else {
    ZM_ERROR << "pending update cannot be set aside, error " << GetLastError() << "; deleted";
    _wremove((directory + kPackageName).c_str());
  }
  platform::DiscardFile(directory + kFailedStartsName);
}

void SetAside(const std::wstring& directory) {
  if (MoveFileExW((directory + kPackageName).c_str(), (directory + kFailedPackageName).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ZM_ERROR << "pending update failed " << kMaxFailedStarts << " starts in a row, set aside as "
             << std::wstring(kFailedPackageName);
  } else {
    ZM_ERROR << "pending update failed " << kMaxFailedStarts
             << " starts in a row and cannot be set aside, error " << GetLastError();
  }
  platform::DiscardFile(directory + kFailedStartsName);
}

}  // namespace

bool GetExeDirW(std::wstring& directory) {
  const std::wstring path = platform::ModulePath();
  const std::size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return false;
  directory = path.substr(0, slash + 1);
  return true;
}

void RecoverPendingUpdate() {
  const std::wstring directory = WorkingDirectory();
  if (directory.empty()) return;
  const ApplyOutcome outcome = RecoverInterruptedApply(directory);
  if (outcome.result != ZipOk) {
    ZM_ERROR << "interrupted update: " << outcome.detail;
  } else if (!outcome.detail.empty()) {
    ZM_INFO << outcome.detail;
  }
}

void PreparePendingUpdate() {
  std::wstring directory;
  if (!GetExeDirW(directory)) {
    ZM_ERROR << "cannot read the launcher's directory";
    return;
  }
  // temp\ is the user's to write: the elevated launcher touches nothing there
  // through a link, or a planted link would have it delete or copy any file.
  const platform::PathKind temp = platform::InspectPath(directory + L"temp");
  if (temp == platform::PathKind::Missing) return;
  if (temp != platform::PathKind::Directory) {
    ZM_ERROR << "temp is not a plain folder, left alone: " << directory << L"temp";
    return;
  }
  for (const wchar_t* leftover : kLeftovers) {
    if (platform::InspectPath(directory + leftover) == platform::PathKind::File)
      _wremove((directory + leftover).c_str());
  }

  const std::wstring downloaded = directory + kTempFolder + kPackageName;
  const platform::PathKind package = platform::InspectPath(downloaded);
  if (package == platform::PathKind::Missing) return;
  if (package != platform::PathKind::File) {
    ZM_ERROR << "pending update is not a plain file, left alone: " << downloaded;
    return;
  }
  const std::wstring beside = directory + kPackageName;
  // A link swapped in after the check is copied as a link, never followed.
  if (!CopyFileExW(downloaded.c_str(), beside.c_str(), nullptr, nullptr, nullptr, COPY_FILE_COPY_SYMLINK)) {
    // Keep the download: the next start tries the copy again.
    ZM_ERROR << "cannot copy " << downloaded << " to " << beside << ", error " << GetLastError();
    return;
  }
  platform::DiscardFile(downloaded);
  platform::DiscardFile(directory + kFailedStartsName);  // a new package starts counting anew
  ZM_INFO << "pending update moved to " << beside;
}

const char* DescribePendingUpdateResult(PendingUpdateResult result) {
  switch (result) {
    case PendingUpdateResult::None:
      return "none";
    case PendingUpdateResult::Installed:
      return "installed";
    case PendingUpdateResult::Kept:
      return "not applied, kept for the next start";
    case PendingUpdateResult::SetAside:
      return "set aside after failing three starts";
    case PendingUpdateResult::Rejected:
      return "refused and set aside";
    case PendingUpdateResult::Deleted:
      return "not a zip archive, deleted";
  }
  return "unknown";
}

PendingUpdateResult ExtractPendingUpdate() {
  const std::wstring directory = WorkingDirectory();
  if (directory.empty()) {
    ZM_ERROR << "cannot read the working directory, error " << GetLastError();
    return PendingUpdateResult::None;
  }
  const std::wstring package = directory + kPackageName;
  const std::wstring failedStartsPath = directory + kFailedStartsName;
  // Only a plain file is a package (not a folder, not a link to elsewhere).
  if (platform::InspectPath(package) != platform::PathKind::File) return PendingUpdateResult::None;
  const int failedStarts = ReadFailedStarts(failedStartsPath);
  switch (JudgePendingPackage(package, directory, failedStarts)) {
    case PackageVerdict::Drop:
      ZM_ERROR << "pending update is not a zip archive, deleted";
      _wremove(package.c_str());
      platform::DiscardFile(failedStartsPath);
      return PendingUpdateResult::Deleted;
    case PackageVerdict::SetAside:
      SetAside(directory);
      return PendingUpdateResult::SetAside;
    case PackageVerdict::Reject:
      SetAsideRejected(directory);
      return PendingUpdateResult::Rejected;
    case PackageVerdict::Apply:
      break;
  }
  const ApplyOutcome outcome = ApplyPackage(package, directory);
  if (outcome.result == ZipOk) {
    ZM_INFO << "pending update installed";
    _wremove(package.c_str());
    platform::DiscardFile(failedStartsPath);
    return PendingUpdateResult::Installed;
  }
  ZM_ERROR << "pending update not applied, the installation is unchanged (start " << failedStarts + 1
           << " of " << kMaxFailedStarts << ", result 0x" << std::hex << outcome.result << std::dec
           << "): " << outcome.detail;
  if (DecidePendingPackage(true, failedStarts + 1) == PackageVerdict::SetAside) {
    SetAside(directory);
    return PendingUpdateResult::SetAside;
  }
  WriteFailedStarts(failedStartsPath, failedStarts + 1);
  return PendingUpdateResult::Kept;
}
