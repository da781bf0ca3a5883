#include "logging/run_report_win32.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "logging/crash_report_files_win32.h"
#include "logging/crash_report_win32.h"
#include "logging/file_logger.h"
#include "logging/log_file_store_win32.h"
#include "logging/log_folder_win32.h"
#include "logging/n_log.h"
#include "platform/folder.h"
#include "platform/system_library_win32.h"
#include "zvk_version.h"

namespace run_report {
namespace {

// How long the end of a run waits for its last lines to reach the file.
constexpr auto kLastLinesWait = std::chrono::milliseconds(2000);

bool elevatedRun = false;

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

// On the log writer's thread, once the folder and the file are open (or
// not): where the log is, what was moved out of its way, the old crash
// reports pruned.
void ReportLogFolder(const Win32LogFileStore& files, const std::wstring& program) {
  const LogFolder& folder = files.folder();
  for (const std::string& note : folder.notes) ZM_WARN << note;
  if (!files.refusal().empty()) {
    ZM_WARN << "no log file in " << n_log::WideForLog(folder.path) << ": " << files.refusal();
  } else {
    ZM_INFO << "log folder: " << n_log::WideForLog(folder.path);
  }
  if (folder.handle) PruneCrashReports(folder.handle.get(), program);
}

}  // namespace

void Begin(const ProgramRun& run) {
  const bool elevated = platform::RunsElevated();
  elevatedRun = elevated;
  // Everything in the log folder happens on the file sink's writer thread,
  // the folder's opening too: no thread of the program waits for it.
  auto store =
      std::make_unique<Win32LogFileStore>(run.program, [elevated] { return OpenLogFolder(elevated); });
  const Win32LogFileStore* files = store.get();
  auto sink = std::make_unique<linelog::FileLogger>(std::move(store));
  linelog::FileLogger* file = sink.get();
  linelog::ProcessLogger().addFileSink(std::move(sink));
  ZM_INFO << run.program << L" " << ZVK_VERSION_TEXT << ", process "
          << static_cast<unsigned>(GetCurrentProcessId()) << ", " << static_cast<int>(sizeof(void*) * 8)
          << "-bit, elevated: " << (elevated ? "yes" : "no");
  ZM_INFO << "system: " << WindowsDescription();
  ZM_INFO << "installation folder: " << n_log::WideForLog(run.installationFolder);
  ZM_INFO << "command line: " << n_log::WideForLog(GetCommandLineW());
  InstallCrashReport(run.program, elevated, file, files);
  file->post([files, program = run.program] { ReportLogFolder(*files, program); });
  RaiseTestCrashWhenAsked(file);
}

bool LibrarySearchFitsRights() {
  if (platform::LibrarySearchIsSystemOnly()) return true;
  const char* const cause =
      "this Windows cannot keep DLLs loaded by name to the system folder (no SetDefaultDllDirectories: "
      "install update KB2533623)";
  if (!elevatedRun) {
    ZM_WARN << cause << "; running without administrator rights, DLLs beside the program may be loaded";
    return true;
  }
  ZM_ERROR << cause << ": with administrator rights a DLL planted beside the program would run with "
           << "them, so this run stops here";
  return false;
}

void End(const std::string& outcome, int exitCode) {
  ZM_INFO << "run ended: " << outcome << "; exit code " << exitCode;
  // The last lines normally reach the file; a writer that cannot get there
  // in time (another program holds the file up) does not hold up the exit.
  if (linelog::FileLogger* file = linelog::ProcessLogger().fileSink()) file->drain(kLastLinesWait);
}

}  // namespace run_report
