#include "logging/crash_report_files_win32.h"

// The native file calls (NtCreateFile) need windows.h first.
#include <winternl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "logging/n_log.h"
#include "platform/open_beneath.h"

namespace run_report {
namespace {

// STATUS_OPLOCK_BREAK_IN_PROGRESS (ntstatus.h does not mix with windows.h).
constexpr NTSTATUS kOplockBreakInProgress = 0x00000108;

bool IsReportOf(const std::wstring& name, const std::wstring& program) {
  return name.size() > program.size() + 5 && name.compare(0, program.size() + 1, program + L"-") == 0 &&
         name.compare(name.size() - 4, 4, L".dmp") == 0;
}

std::vector<std::wstring> ListCrashReports(HANDLE folder, const std::wstring& program) {
  std::vector<std::wstring> names;
  std::vector<unsigned char> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS query = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, query, buffer.data(), static_cast<DWORD>(buffer.size()))) {
    query = FileIdBothDirectoryInfo;
    for (std::size_t at = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
      const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (IsReportOf(name, program)) names.push_back(name);
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  return names;
}

// Opened for nobody else: while this handle is open no other program can
// open the report, so none can hold an opportunistic lock that the delete
// would wait for. One that is open elsewhere is busy and left.
void DeleteReport(HANDLE folder, const std::wstring& name) {
  platform::BeneathRequest request;
  request.folder = folder;
  request.name = name;
  request.access = DELETE;
  request.share = 0;
  request.neverWaitForOplocks = true;
  const platform::BeneathObject old = platform::OpenBeneath(request);
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (!old.handle ||
      !SetFileInformationByHandle(old.handle.get(), FileDispositionInfo, &dispose, sizeof dispose))
    ZM_WARN << "old crash report " << name << " kept: it cannot be deleted now, error " << GetLastError();
}

}  // namespace

CrashReportFile::CrashReportFile(const std::wstring& program, bool administratorsOnly)
    : programLength_(std::min(program.size(), kNameCapacity - 40)),
      security_(administratorsOnly ? kAdministratorsOnlySecurity : nullptr) {
  program.copy(name_, programLength_);
}

WinHandle CrashReportFile::create(HANDLE folder) {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  std::swprintf(name_ + programLength_, kNameCapacity - programLength_, L"-%04u%02u%02u-%02u%02u%02u-%lu.dmp",
                now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());
  UNICODE_STRING text;
  text.Buffer = name_;
  text.Length = static_cast<USHORT>(std::wcslen(name_) * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security_.get());
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  // A new file: nothing that exists (a link included) is opened.
  const NTSTATUS created = NtCreateFile(&handle, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &attributes,
                                        &status, nullptr, FILE_ATTRIBUTE_NORMAL, 0, FILE_CREATE,
                                        FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE |
                                            FILE_OPEN_REPARSE_POINT | FILE_COMPLETE_IF_OPLOCKED,
                                        nullptr, 0);
  if (created < 0) SetLastError(RtlNtStatusToDosError(created));
  WinHandle file(created < 0 ? nullptr : handle);
  if (created == kOplockBreakInProgress) {
    file.reset();
    SetLastError(platform::kOplockBreakInProgressError);
  }
  return file;
}

void PruneCrashReports(HANDLE folder, const std::wstring& program) {
  std::vector<std::wstring> names = ListCrashReports(folder, program);
  if (names.size() < static_cast<std::size_t>(kKeptCrashReports)) return;
  // The names hold the UTC time of the crash: the oldest sort first.
  std::sort(names.begin(), names.end());
  const std::size_t extra = names.size() - (kKeptCrashReports - 1);
  for (std::size_t i = 0; i < extra; ++i) DeleteReport(folder, names[i]);
}

}  // namespace run_report
