#include "logging/crash_report_win32.h"

// Needs the declarations of windows.h.
#include <dbghelp.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <exception>

#include "logging/crash_report_files_win32.h"
#include "logging/file_logger.h"
#include "logging/n_log.h"
#include "platform/never_destroyed.h"
#include "platform/system_library_win32.h"
#include "platform/win_handle.h"

namespace run_report {
namespace {

using MiniDumpWriter = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                     PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
using InvalidParameterHandler = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned,
                                               uintptr_t);
using InvalidParameterSetter = InvalidParameterHandler(__cdecl*)(InvalidParameterHandler);

// The code the report gives a std::terminate (a software exception code).
constexpr DWORD kTerminateCode = 0xE0000001;
// A report that has not finished by then (a lock held by the crashed
// thread, say) is given up: the program must still end.
constexpr DWORD kReportWaitMs = 30000;
constexpr int kMaxInvalidParameterLines = 10;

// Everything the report needs, made before any crash. Lives until the
// process ends.
struct Reporter {
  HANDLE folder = nullptr;
  std::wstring program;
  linelog::FileLogger* file = nullptr;
  MiniDumpWriter writeDump = nullptr;
  HANDLE wake = nullptr;
  HANDLE done = nullptr;
  DWORD reporterThreadId = 0;
  LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
  std::terminate_handler previousTerminate = nullptr;
  std::atomic<bool> claimed{false};
  std::atomic<int> invalidParameters{0};
  // Set by the crashing thread before it wakes the reporter.
  EXCEPTION_POINTERS* pointers = nullptr;
  DWORD crashedThreadId = 0;
  char cause[512] = {};
};

Reporter& TheReporter() {
  static platform::NeverDestroyed<Reporter> reporter;
  return reporter.get();
}

// A FATAL line in the logger's form, written without the process logger's
// lock (the crashed thread may hold it) and without allocating.
void WriteFatalLine(const Reporter& reporter, const char* text) {
  char line[1024];
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_s(&utc, &now);
  std::size_t length =
      n_log::FormatPrefixInto(line, sizeof line, linelog::ProgramTag().c_str(), linelog::kFatal, utc);
  const int added = std::snprintf(line + length, sizeof line - length - 1, "%s", text);
  if (added > 0) length = std::min(sizeof line - 2, length + static_cast<std::size_t>(added));
  line[length++] = '\n';
  line[length] = '\0';
  if (reporter.file != nullptr) reporter.file->appendUrgent(line, length);
  OutputDebugStringA(line);
}

// "Updater.exe+0x1a2b" for an address inside a loaded module.
void DescribeAddress(const void* address, char* out, std::size_t capacity) {
  HMODULE module = nullptr;
  wchar_t path[MAX_PATH] = {};
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module) ||
      GetModuleFileNameW(module, path, MAX_PATH) == 0) {
    std::snprintf(out, capacity, "an unknown module");
    return;
  }
  const wchar_t* name = path;
  for (const wchar_t* c = path; *c != L'\0'; ++c)
    if (*c == L'\\' || *c == L'/') name = c + 1;
  char narrow[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
  const auto offset = static_cast<unsigned long long>(static_cast<const char*>(address) -
                                                      reinterpret_cast<const char*>(module));
  std::snprintf(out, capacity, "%s+0x%llx", narrow, offset);
}

void DescribeCrash(const Reporter& reporter, char* out, std::size_t capacity) {
  const EXCEPTION_RECORD& record = *reporter.pointers->ExceptionRecord;
  char where[MAX_PATH + 32];
  DescribeAddress(record.ExceptionAddress, where, sizeof where);
  char access[64] = "";
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
    const ULONG_PTR kind = record.ExceptionInformation[0];
    std::snprintf(access, sizeof access, ", %s address 0x%llx",
                  kind == 0   ? "reading"
                  : kind == 8 ? "executing"
                              : "writing",
                  static_cast<unsigned long long>(record.ExceptionInformation[1]));
  }
  std::snprintf(out, capacity, "%s: code 0x%08lX at %s (0x%llx), thread %lu%s", reporter.cause,
                static_cast<unsigned long>(record.ExceptionCode), where,
                reinterpret_cast<unsigned long long>(record.ExceptionAddress),
                static_cast<unsigned long>(reporter.crashedThreadId), access);
}

void WriteMinidump(const Reporter& reporter, char* outcome, std::size_t capacity) {
  if (reporter.folder == nullptr || reporter.writeDump == nullptr) {
    std::snprintf(outcome, capacity, "no crash report: %s",
                  reporter.folder == nullptr ? "no log folder" : "dbghelp.dll is not loaded");
    return;
  }
  const std::wstring name = CrashReportName(reporter.program);
  const WinHandle dump = CreateCrashReportFile(reporter.folder, name);
  MINIDUMP_EXCEPTION_INFORMATION exception{reporter.crashedThreadId, reporter.pointers, FALSE};
  const auto kind = static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpWithUnloadedModules);
  if (!dump || !reporter.writeDump(GetCurrentProcess(), GetCurrentProcessId(), dump.get(), kind, &exception,
                                   nullptr, nullptr)) {
    std::snprintf(outcome, capacity, "crash report not written, error %lu", GetLastError());
    return;
  }
  std::snprintf(outcome, capacity, "crash report written: %ls", name.c_str());
}

void Report(const Reporter& reporter) {
  char text[900];
  DescribeCrash(reporter, text, sizeof text);
  WriteFatalLine(reporter, text);
  WriteMinidump(reporter, text, sizeof text);
  WriteFatalLine(reporter, text);
}

DWORD WINAPI ReporterMain(void*) {
  Reporter& reporter = TheReporter();
  WaitForSingleObject(reporter.wake, INFINITE);
  Report(reporter);
  SetEvent(reporter.done);
  return 0;
}

// Reports the first crash of the run on the reporter's own thread, whose
// stack is intact even when the crash was a stack overflow. A crash on
// another thread meanwhile waits for that report and is not reported again.
void ReportCrash(EXCEPTION_POINTERS* pointers, const char* cause) {
  Reporter& reporter = TheReporter();
  if (GetCurrentThreadId() == reporter.reporterThreadId) return;
  if (reporter.claimed.exchange(true)) {
    if (reporter.done != nullptr) WaitForSingleObject(reporter.done, kReportWaitMs);
    return;
  }
  reporter.pointers = pointers;
  reporter.crashedThreadId = GetCurrentThreadId();
  std::snprintf(reporter.cause, sizeof reporter.cause, "%s", cause);
  if (reporter.reporterThreadId != 0 && SetEvent(reporter.wake)) {
    WaitForSingleObject(reporter.done, kReportWaitMs);
  } else {
    Report(reporter);
  }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  ReportCrash(pointers, "unhandled exception");
  const LPTOP_LEVEL_EXCEPTION_FILTER previous = TheReporter().previousFilter;
  return previous != nullptr ? previous(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

[[noreturn]] void OnTerminate() {
  char cause[400] = "std::terminate";
  if (const std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      std::snprintf(cause, sizeof cause, "std::terminate, uncaught exception: %s", error.what());
    } catch (...) {
      std::snprintf(cause, sizeof cause, "std::terminate, uncaught exception of an unknown type");
    }
  }
  CONTEXT context{};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record{};
  record.ExceptionCode = kTerminateCode;
  record.ExceptionAddress = __builtin_return_address(0);
  EXCEPTION_POINTERS pointers{&record, &context};
  ReportCrash(&pointers, cause);
  const std::terminate_handler previous = TheReporter().previousTerminate;
  if (previous != nullptr) previous();
  std::abort();
}

// The system's C runtime goes on after an invalid parameter (the function
// fails with EINVAL); so does the program, with a line saying so.
void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
  if (TheReporter().invalidParameters++ < kMaxInvalidParameterLines)
    ZM_ERROR << "C runtime: a library function was called with an invalid parameter";
}

void InstallInvalidParameterHandler() {
  // Looked up: not every system's msvcrt.dll has it.
  InvalidParameterSetter set = nullptr;
  if (platform::ResolveExport(GetModuleHandleW(L"msvcrt.dll"), "_set_invalid_parameter_handler", set))
    set(OnInvalidParameter);
}

// Loaded now, from the system folder: a crash is no time to load a DLL.
MiniDumpWriter LoadMiniDumpWriter() {
  MiniDumpWriter writer = nullptr;
  platform::ResolveExport(platform::LoadSystemLibrary(L"dbghelp.dll"), "MiniDumpWriteDump", writer);
  return writer;
}

void StartReporterThread(Reporter& reporter) {
  reporter.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  reporter.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (reporter.wake == nullptr || reporter.done == nullptr) return;
  DWORD id = 0;
  const HANDLE thread =
      CreateThread(nullptr, 256 * 1024, ReporterMain, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, &id);
  if (thread == nullptr) return;
  CloseHandle(thread);
  reporter.reporterThreadId = id;
}

}  // namespace

void InstallCrashReport(HANDLE folder, const std::wstring& program, linelog::FileLogger* file) {
  Reporter& reporter = TheReporter();
  reporter.folder = folder;
  reporter.program = program;
  reporter.file = file;
  reporter.writeDump = LoadMiniDumpWriter();
  if (reporter.writeDump == nullptr)
    ZM_WARN << "no crash reports: dbghelp.dll cannot be loaded, error " << GetLastError();
  StartReporterThread(reporter);
  reporter.previousFilter = SetUnhandledExceptionFilter(OnUnhandledException);
  reporter.previousTerminate = std::set_terminate(OnTerminate);
  InstallInvalidParameterHandler();
}

void RaiseTestCrashWhenAsked() {
#if defined(ZVK_CRASH_TEST_SWITCH)
  wchar_t value[32] = {};
  const DWORD length = GetEnvironmentVariableW(L"ZVK_TEST_CRASH", value, 32);
  if (length == 0 || length >= 32 || std::wstring(value) != L"access-violation") return;
  ZM_INFO << "test switch: raising an access violation";
  // Both volatile: the compiler can neither know the address nor drop the write.
  volatile int* volatile target = nullptr;
  *target = 1;
#endif
}

}  // namespace run_report
