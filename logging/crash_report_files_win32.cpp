#include "logging/crash_report_files_win32.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/open_beneath.h"

namespace run_report {
namespace {

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

}  // namespace

std::wstring CrashReportName(const std::wstring& program) {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L"-%04u%02u%02u-%02u%02u%02u-%lu.dmp", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, GetCurrentProcessId());
  return program + stamp;
}

WinHandle CreateCrashReportFile(HANDLE folder, const std::wstring& name) {
  platform::BeneathRequest request;
  request.folder = folder;
  request.name = name;
  request.access = GENERIC_READ | GENERIC_WRITE;
  request.share = 0;
  request.disposition = FILE_CREATE;
  return std::move(platform::OpenBeneath(request).handle);
}

void PruneCrashReports(HANDLE folder, const std::wstring& program) {
  std::vector<std::wstring> names = ListCrashReports(folder, program);
  if (names.size() < static_cast<std::size_t>(kKeptCrashReports)) return;
  // The names hold the UTC time of the crash: the oldest sort first.
  std::sort(names.begin(), names.end());
  const std::size_t extra = names.size() - (kKeptCrashReports - 1);
  for (std::size_t i = 0; i < extra; ++i) {
    platform::BeneathRequest request;
    request.folder = folder;
    request.name = names[i];
    request.access = DELETE;
    request.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const platform::BeneathObject old = platform::OpenBeneath(request);
    FILE_DISPOSITION_INFO dispose{TRUE};
    if (old.handle)
      SetFileInformationByHandle(old.handle.get(), FileDispositionInfo, &dispose, sizeof dispose);
  }
}

}  // namespace run_report
