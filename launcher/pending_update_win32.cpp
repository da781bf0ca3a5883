#include <windows.h>

#include <string>

#include "launcher/pending_package.h"
#include "launcher/pending_update.h"
#include "logging/n_log.h"
#include "platform/platform.h"
#include "zipextract/package_apply.h"

namespace {

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
  const std::wstring directory = WorkingDirectory();
  if (directory.empty()) {
    ZM_ERROR << "cannot read the working directory, error " << GetLastError();
    return PendingUpdateResult::None;
  }
  return ApplyPendingPackage(directory);
}
