#include <windows.h>

#include <string>

#include "launcher/pending_package.h"
#include "launcher/pending_update.h"
#include "logging/n_log.h"
#include "platform/platform.h"
#include "zipextract/package_apply.h"

bool GetExeDirW(std::wstring& directory) {
  const std::wstring path = platform::ModulePath();
  const std::size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return false;
  directory = path.substr(0, slash + 1);
  return true;
}

// The launcher's own folder, never the working directory: a launcher started
// by the URL scheme or a shortcut may have been given any, and keeps it when
// the change to its own folder fails (a path too long for one, say).
void RecoverPendingUpdate() {
  std::wstring directory;
  if (!GetExeDirW(directory)) {
    ZM_ERROR << "cannot read the launcher's directory, error " << GetLastError();
    return;
  }
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
  PreparePendingPackage(directory);
}

const char* DescribePendingUpdateResult(PendingUpdateResult result) {
  switch (result) {
    case PendingUpdateResult::None:
      return "none";
    case PendingUpdateResult::Installed:
      return "installed";
    case PendingUpdateResult::AlreadyInstalled:
      return "its version is installed already, deleted";
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
  std::wstring directory;
  if (!GetExeDirW(directory)) {
    ZM_ERROR << "cannot read the launcher's directory, error " << GetLastError();
    return PendingUpdateResult::None;
  }
  return ApplyPendingPackage(directory);
}
