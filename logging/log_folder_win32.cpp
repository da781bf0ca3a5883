#include "logging/log_folder_win32.h"

// Needs the declarations of windows.h.
#include <shlobj.h>

#include <cwchar>

#include "logging/log_security_win32.h"
#include "platform/open_beneath.h"
#include "platform/string_convert.h"
#include "zvk_version.h"

namespace run_report {
namespace {

// A folder of the updater's own, never the Client's: an unacceptable level is
// re-secured or moved aside, which must never touch the Client's data.
constexpr wchar_t kProductFolder[] = L"" ZVK_PRODUCT_NAME L" Updater";
constexpr wchar_t kLogsFolder[] = L"logs";
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | READ_CONTROL;

std::string WithError(const std::string& text, DWORD error) {
  return text + ", error " + std::to_string(error);
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

// One level of the folder: `name` beneath the open folder `parent`.
struct Level {
  HANDLE parent;
  std::wstring parentPath;
  std::wstring name;
  std::wstring path() const { return parentPath + L"\\" + name; }
};

platform::BeneathObject OpenLevel(const Level& level, ULONG disposition, ACCESS_MASK extraAccess,
                                  PSECURITY_DESCRIPTOR security) {
  platform::BeneathRequest request;
  request.folder = level.parent;
  request.name = level.name;
  request.access = kFolderAccess | extraAccess;
  request.disposition = disposition;
  request.kind = platform::ObjectKind::Directory;
  request.security = security;
  request.neverWaitForOplocks = true;
  return platform::OpenBeneath(request);
}

// The handle is the object at the level's name (under Wine, a symbolic
// link's handle is its target's).
bool IsAtLevel(HANDLE handle, const Level& level) {
  return platform::SamePath(platform::FinalPathOf(handle), level.path());
}

// Renames whatever is at the level's name, a link itself rather than its
// target, to "<name>.set-aside-<UTC time>-<process id>" beneath the same
// parent. The rename waits for others' opportunistic locks on it to be
// released (Windows offers no way around that); which is why log folders
// are opened on the log writer's thread.
bool MoveAside(const Level& level, std::wstring& asideName) {
  platform::BeneathRequest request;
  request.folder = level.parent;
  request.name = level.name;
  request.access = DELETE;
  request.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  request.kind = platform::ObjectKind::Any;
  request.neverWaitForOplocks = true;
  const platform::BeneathObject found = platform::OpenBeneath(request);
  if (!found.handle) return false;
  if (!IsAtLevel(found.handle.get(), level)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
  }
  SYSTEMTIME now{};
  GetSystemTime(&now);
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L".set-aside-%04u%02u%02u-%02u%02u%02u-%lu", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());
  asideName = level.name + stamp;
  return platform::RenameBeneath(found.handle.get(), level.parent, asideName, false);
}

// An administrators' level as found: acceptable as it is, or (the product's
// level, owned by an administrator) once given the administrators' list.
bool AcceptFound(HANDLE handle, HANDLE base, bool productLevel, const Level& level, LogFolder& folder) {
  if (OnlyAdministratorsMayChange(handle, base)) return true;
  if (!productLevel || !OwnedByAdministrators(handle, base)) return false;
  // Made by an installer with what the program-data folder passes on (users
  // may add files there): the Client may keep its files in it, so it stays
  // where it is and only its access list changes.
  const platform::BeneathObject securing = OpenLevel(level, FILE_OPEN, WRITE_DAC | WRITE_OWNER, nullptr);
  if (!securing.handle || !platform::SameObject(securing.handle.get(), handle) ||
      !ApplySecurity(securing.handle.get(), kMachineFolderSecurity) ||
      !OnlyAdministratorsMayChange(handle, base))
    return false;
  folder.notes.push_back("others could write in " + platform::WideToUtf8(level.path()) +
                         ": it now has the administrators' access list");
  return true;
}

// Opens or makes one level of the administrators' folder (see OpenLogFolderIn).
platform::BeneathObject OpenMachineLevel(const Level& level, HANDLE base, bool productLevel,
                                         PSECURITY_DESCRIPTOR security, LogFolder& folder) {
  platform::BeneathObject opened = OpenLevel(level, FILE_OPEN_IF, 0, security);
  const DWORD error = opened.handle ? ERROR_SUCCESS : GetLastError();
  if (opened.handle && !IsAtLevel(opened.handle.get(), level)) {
    folder.refusal = "the log folder leads elsewhere";
    return {};
  }
  if (opened.handle &&
      (opened.created || AcceptFound(opened.handle.get(), base, productLevel, level, folder)))
    return opened;
  // A link or a file in the level's place, or a folder that is not the
  // administrators' (one that even shuts them out included): anything else
  // (busy, say) is refused.
  if (!opened.handle && error != ERROR_CANT_ACCESS_FILE && error != ERROR_DIRECTORY &&
      error != ERROR_ACCESS_DENIED) {
    folder.refusal = WithError("cannot make the log folder", error);
    return {};
  }
  opened.handle.reset();
  std::wstring aside;
  if (!MoveAside(level, aside)) {
    folder.refusal =
        WithError("cannot make the log folder: its place is taken and cannot be cleared", GetLastError());
    return {};
  }
  folder.notes.push_back("what was in the place of " + platform::WideToUtf8(level.path()) +
                         " is not the administrators': moved aside as " + platform::WideToUtf8(aside));
  // Made anew; whatever took the place again in between is refused.
  opened = OpenLevel(level, FILE_CREATE, 0, security);
  if (!opened.handle) folder.refusal = WithError("cannot make the log folder", GetLastError());
  return opened;
}

platform::BeneathObject OpenUserLevel(const Level& level, LogFolder& folder) {
  platform::BeneathObject opened = OpenLevel(level, FILE_OPEN_IF, 0, nullptr);
  if (!opened.handle) {
    folder.refusal = WithError("cannot make the log folder", GetLastError());
  } else if (!IsAtLevel(opened.handle.get(), level)) {
    // A link the handle did not show (Wine opens a symbolic link's target).
    folder.refusal = "the log folder leads elsewhere";
    opened.handle.reset();
  }
  return opened;
}

platform::BeneathObject OpenRoot(const std::wstring& path) {
  platform::BeneathRequest request;
  request.name = path;
  request.access = kFolderAccess;
  request.kind = platform::ObjectKind::Directory;
  request.neverWaitForOplocks = true;
  return platform::OpenBeneath(request);
}

}  // namespace

LogFolder OpenLogFolder(bool elevated) {
  return OpenLogFolderIn(KnownFolder(elevated ? FOLDERID_ProgramData : FOLDERID_LocalAppData), elevated);
}

LogFolder OpenLogFolderIn(const std::wstring& base, bool machineWide) {
  LogFolder folder;
  folder.machineWide = machineWide;
  folder.path = base + L"\\" + kProductFolder + L"\\" + kLogsFolder;
  const platform::BeneathObject root = OpenRoot(base);
  if (base.empty() || !root.handle) {
    folder.refusal = WithError("cannot open the folder for logs", GetLastError());
    return folder;
  }
  const SecurityDescriptor security(machineWide ? kMachineFolderSecurity : nullptr);
  // Made without it, the folder would inherit what lets users write there.
  if (machineWide && security.get() == nullptr) {
    folder.refusal = WithError("cannot make the log folder's access list", GetLastError());
    return folder;
  }
  const std::wstring rootPath = platform::FinalPathOf(root.handle.get());
  const Level product{root.handle.get(), rootPath, kProductFolder};
  const platform::BeneathObject productFolder =
      machineWide ? OpenMachineLevel(product, root.handle.get(), true, security.get(), folder)
                  : OpenUserLevel(product, folder);
  if (!productFolder.handle) return folder;
  const Level logs{productFolder.handle.get(), product.path(), kLogsFolder};
  platform::BeneathObject logsFolder =
      machineWide ? OpenMachineLevel(logs, root.handle.get(), false, security.get(), folder)
                  : OpenUserLevel(logs, folder);
  folder.handle = std::move(logsFolder.handle);
  return folder;
}

}  // namespace run_report
