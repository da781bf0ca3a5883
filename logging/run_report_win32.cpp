#include "logging/run_report_win32.h"

#include <windows.h>

#include <cstdio>
#include <memory>

#include "logging/crash_report_files_win32.h"
#include "logging/crash_report_win32.h"
#include "logging/file_logger.h"
#include "logging/log_file_store_win32.h"
#include "logging/log_folder_win32.h"
#include "logging/n_log.h"
#include "platform/never_destroyed.h"
#include "platform/system_library_win32.h"
#include "platform/win_handle.h"
#include "zvk_version.h"

namespace run_report {
namespace {

bool RunsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const WinHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

// The version the system really runs (GetVersionEx answers what the
// program's manifest claims to support), and Wine's when it is Wine.
std::string WindowsDescription() {
  using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  using GetWineVersion = const char*(CDECL*)();
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  GetVersion getVersion = nullptr;
  GetWineVersion wineVersion = nullptr;
  platform::ResolveExport(ntdll, "RtlGetVersion", getVersion);
  platform::ResolveExport(ntdll, "wine_get_version", wineVersion);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  char text[160] = "Windows (version unknown)";
  if (getVersion != nullptr && getVersion(&version) == 0)
    std::snprintf(text, sizeof text, "Windows %lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                  version.dwBuildNumber);
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  std::string description = text;
  description += sizeof(void*) == 8 || wow64 ? ", 64-bit" : ", 32-bit";
  if (wineVersion != nullptr) description += std::string(" (Wine ") + wineVersion() + ")";
  return description;
}

// The log file sink, when the folder and its file can be opened. The folder
// handle stays open for the rest of the run.
HANDLE AddLogFile(const std::wstring& program, bool elevated, std::string& refusal, std::wstring& path) {
  static platform::NeverDestroyed<LogFolder> folder(OpenLogFolder(elevated));
  path = folder.get().path;
  refusal = folder.get().refusal;
  if (!folder.get().handle) return nullptr;
  auto store = Win32LogFileStore::Open(folder.get().handle.get(), program);
  if (!store) {
    refusal = "cannot open the log file, error " + std::to_string(GetLastError());
    return nullptr;
  }
  linelog::ProcessLogger().addFileSink(std::make_unique<linelog::FileLogger>(std::move(store)));
  return folder.get().handle.get();
}

}  // namespace

void Begin(const ProgramRun& run) {
  const bool elevated = RunsElevated();
  std::string refusal;
  std::wstring folderPath;
  const HANDLE folder = AddLogFile(run.program, elevated, refusal, folderPath);
  ZM_INFO << run.program << L" " << ZVK_VERSION_TEXT << ", process "
          << static_cast<unsigned>(GetCurrentProcessId()) << ", " << static_cast<int>(sizeof(void*) * 8)
          << "-bit, elevated: " << (elevated ? "yes" : "no");
  ZM_INFO << "system: " << WindowsDescription();
  ZM_INFO << "installation folder: " << run.installationFolder;
  ZM_INFO << "command line: " << GetCommandLineW();
  if (folder != nullptr) {
    ZM_INFO << "log folder: " << folderPath;
    PruneCrashReports(folder, run.program);
  } else {
    ZM_WARN << "no log file in " << folderPath << ": " << refusal;
  }
  InstallCrashReport(folder, run.program, linelog::ProcessLogger().fileSink());
  RaiseTestCrashWhenAsked();
}

void End(const std::string& outcome, int exitCode) {
  ZM_INFO << "run ended: " << outcome << "; exit code " << exitCode;
}

}  // namespace run_report
