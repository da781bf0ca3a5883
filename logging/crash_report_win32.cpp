#include "logging/crash_report_win32.h"

// Needs the declarations of windows.h.
#include <dbghelp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <memory>

#include "logging/crash_report_files_win32.h"
#include "logging/file_logger.h"
#include "logging/log_file_store_win32.h"
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
// STATUS_INVALID_CRT_PARAMETER: how the system's C runtime ends a program
// that passed it an invalid parameter.
constexpr DWORD kInvalidParameterCode = 0xC0000417;
// A report that has not finished by then (a lock held by the crashed
// thread, say) is given up: the program must still end. Writing the dump
// takes seconds on a busy machine (under Wine on two loaded cores, more than
// ten), so the limit is generous: a cut-off dump helps nobody.
constexpr DWORD kReportWaitMs = 30000;
// How long the report lets the log writer write the lines before the crash.
constexpr auto kDrainBeforeReport = std::chrono::milliseconds(2000);
constexpr std::size_t kDetailCapacity = 300;

// Everything the report needs, made before any crash. Lives until the
// process ends.
struct Reporter {
  std::unique_ptr<CrashReportFile> dumpFile;
  linelog::FileLogger* file = nullptr;
  const Win32LogFileStore* store = nullptr;
  MiniDumpWriter writeDump = nullptr;
  HANDLE wake = nullptr;
  HANDLE done = nullptr;
  HANDLE thread = nullptr;
  DWORD reporterThreadId = 0;
  LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
  std::terminate_handler previousTerminate = nullptr;
  std::atomic<bool> claimed{false};
  // Set by the crashing thread, which formats nothing, before it wakes the
  // reporter; the reporter formats.
  EXCEPTION_POINTERS* pointers = nullptr;
  DWORD crashedThreadId = 0;
  const char* cause = "";
  char detail[kDetailCapacity] = {};
  // The reporter's buffers.
  char text[1024] = {};
  char line[1200] = {};
};

Reporter& TheReporter() {
  static platform::NeverDestroyed<Reporter> reporter;
  return reporter.get();
}

// A bounded copy that calls nothing: the crashed thread's.
void CopyText(char* out, std::size_t capacity, const char* text) {
  std::size_t i = 0;
  for (; text != nullptr && text[i] != '\0' && i + 1 < capacity; ++i) out[i] = text[i];
  out[i] = '\0';
}

// A FATAL line in the logger's form, written without the process logger's
// lock (the crashed thread may hold it) and without the log writer's thread
// (it may be the one that crashed, or stuck).
void WriteFatalLine(Reporter& reporter, const char* text) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_s(&utc, &now);
  char* line = reporter.line;
  const std::size_t capacity = sizeof reporter.line;
  std::size_t length =
      n_log::FormatPrefixInto(line, capacity, linelog::ProgramTag().c_str(), linelog::kFatal, utc);
  const int added = std::snprintf(line + length, capacity - length - 1, "%s", text);
  if (added > 0) length = std::min(capacity - 2, length + static_cast<std::size_t>(added));
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

void DescribeCrash(Reporter& reporter) {
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
  std::snprintf(reporter.text, sizeof reporter.text, "%s%s%s: code 0x%08lX at %s (0x%llx), thread %lu%s",
                reporter.cause, reporter.detail[0] != '\0' ? ": " : "", reporter.detail,
                static_cast<unsigned long>(record.ExceptionCode), where,
                reinterpret_cast<unsigned long long>(record.ExceptionAddress),
                static_cast<unsigned long>(reporter.crashedThreadId), access);
}

void WriteMinidump(Reporter& reporter) {
  const HANDLE folder = reporter.store != nullptr ? reporter.store->openFolder() : nullptr;
  if (folder == nullptr || reporter.writeDump == nullptr || !reporter.dumpFile) {
    std::snprintf(reporter.text, sizeof reporter.text, "no crash report: %s",
                  folder == nullptr ? "no log folder" : "dbghelp.dll is not loaded");
    return;
  }
  const WinHandle dump = reporter.dumpFile->create(folder);
  MINIDUMP_EXCEPTION_INFORMATION exception{reporter.crashedThreadId, reporter.pointers, FALSE};
  const auto kind = static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpWithUnloadedModules);
  if (!dump || !reporter.writeDump(GetCurrentProcess(), GetCurrentProcessId(), dump.get(), kind, &exception,
                                   nullptr, nullptr)) {
    std::snprintf(reporter.text, sizeof reporter.text, "crash report not written, error %lu", GetLastError());
    return;
  }
  std::snprintf(reporter.text, sizeof reporter.text, "crash report written: %ls", reporter.dumpFile->name());
}

void Report(Reporter& reporter) {
  // The lines before the crash first, unless the writer does not get there.
  if (reporter.file != nullptr) reporter.file->drain(kDrainBeforeReport);
  DescribeCrash(reporter);
  WriteFatalLine(reporter, reporter.text);
  WriteMinidump(reporter);
  WriteFatalLine(reporter, reporter.text);
}

// Uses once what a report uses of the C runtime, so that its per-thread
// state exists before any crash.
void WarmUp() {
  char text[64];
  wchar_t wide[64];
  std::tm utc{};
  const std::time_t now = std::time(nullptr);
  gmtime_s(&utc, &now);
  std::snprintf(text, sizeof text, "%s %d %llx", "warm", utc.tm_year, 1ull);
  std::swprintf(wide, 64, L"%ls %lu", L"warm", 1ul);
}

DWORD WINAPI ReporterMain(void*) {
  Reporter& reporter = TheReporter();
  WarmUp();
  WaitForSingleObject(reporter.wake, INFINITE);
  Report(reporter);
  SetEvent(reporter.done);
  return 0;
}

// Waits for the report; also ends when the reporter's thread itself ended.
void WaitForReport(const Reporter& reporter) {
  const HANDLE handles[] = {reporter.done, reporter.thread};
  WaitForMultipleObjects(2, handles, FALSE, kReportWaitMs);
}

// Reports the first crash of the run on the reporter's own thread, whose
// stack is intact even when the crash was a stack overflow. A crash on
// another thread meanwhile waits for that report and is not reported again.
void ReportCrash(EXCEPTION_POINTERS* pointers, const char* cause, const char* detail) {
  Reporter& reporter = TheReporter();
  if (GetCurrentThreadId() == reporter.reporterThreadId) return;
  const bool started = reporter.reporterThreadId != 0;
  if (reporter.claimed.exchange(true)) {
    if (started) WaitForReport(reporter);
    return;
  }
  reporter.pointers = pointers;
  reporter.crashedThreadId = GetCurrentThreadId();
  reporter.cause = cause;
  CopyText(reporter.detail, sizeof reporter.detail, detail);
  if (started && SetEvent(reporter.wake)) {
    WaitForReport(reporter);
  } else {
    // No reporter's thread could be started: the crashed thread itself, as
    // the last resort.
    Report(reporter);
  }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  ReportCrash(pointers, "unhandled exception", nullptr);
  const LPTOP_LEVEL_EXCEPTION_FILTER previous = TheReporter().previousFilter;
  return previous != nullptr ? previous(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

// A crash report for a place in the program rather than an exception.
void ReportHere(DWORD code, void* address, const char* cause, const char* detail) {
  CONTEXT context{};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record{};
  record.ExceptionCode = code;
  record.ExceptionAddress = address;
  EXCEPTION_POINTERS pointers{&record, &context};
  ReportCrash(&pointers, cause, detail);
}

[[noreturn]] void OnTerminate() {
  const char* cause = "std::terminate";
  const char* detail = nullptr;
  // The exception lives as long as `current`: its text is copied, not formatted.
  const std::exception_ptr current = std::current_exception();
  if (current) {
    cause = "std::terminate, uncaught exception";
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& error) {
      detail = error.what();
      ReportHere(kTerminateCode, __builtin_return_address(0), cause, detail);
    } catch (...) {
      ReportHere(kTerminateCode, __builtin_return_address(0),
                 "std::terminate, uncaught exception of an unknown type", nullptr);
    }
  } else {
    ReportHere(kTerminateCode, __builtin_return_address(0), cause, nullptr);
  }
  const std::terminate_handler previous = TheReporter().previousTerminate;
  if (previous != nullptr) previous();
  std::abort();
}

// The program would go on with a function that failed where it should have
// ended: reported like a crash, then ended as the system's C runtime ends it.
void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {
  ReportHere(kInvalidParameterCode, __builtin_return_address(0),
             "invalid parameter passed to a C runtime function", nullptr);
  TerminateProcess(GetCurrentProcess(), kInvalidParameterCode);
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
  reporter.thread =
      CreateThread(nullptr, 256 * 1024, ReporterMain, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, &id);
  if (reporter.thread != nullptr) reporter.reporterThreadId = id;
}

}  // namespace

void InstallCrashReport(const std::wstring& program, bool elevated, linelog::FileLogger* file,
                        const Win32LogFileStore* store) {
  Reporter& reporter = TheReporter();
  reporter.dumpFile = std::make_unique<CrashReportFile>(program, elevated);
  reporter.file = file;
  reporter.store = store;
  reporter.writeDump = LoadMiniDumpWriter();
  if (reporter.writeDump == nullptr)
    ZM_WARN << "no crash reports: dbghelp.dll cannot be loaded, error " << GetLastError();
  StartReporterThread(reporter);
  reporter.previousFilter = SetUnhandledExceptionFilter(OnUnhandledException);
  reporter.previousTerminate = std::set_terminate(OnTerminate);
  InstallInvalidParameterHandler();
}

void RaiseTestCrashWhenAsked(linelog::FileLogger* file) {
#if defined(ZVK_CRASH_TEST_SWITCH)
  wchar_t value[32] = {};
  const DWORD length = GetEnvironmentVariableW(L"ZVK_TEST_CRASH", value, 32);
  if (length == 0 || length >= 32 || std::wstring(value) != L"access-violation") return;
  ZM_INFO << "test switch: raising an access violation";
  // The crash report's folder comes with the log file, on the writer's thread.
  if (file != nullptr) file->drain(std::chrono::seconds(10));
  // Both volatile: the compiler can neither know the address nor drop the write.
  volatile int* volatile target = nullptr;
  *target = 1;
#else
  (void)file;
#endif
}

}  // namespace run_report
