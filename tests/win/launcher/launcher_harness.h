#pragma once
// What the launcher's Windows tests share: a fresh installation folder with
// copies of ZVKLaunch.exe and the fake Client, processes started and ended
// by the test, the fake Client's record, and the URL command in the registry.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "client_record.h"

namespace launcher_test {

constexpr DWORD kProcessTimeoutMs = 20000;

// A process started by the test; terminated at destruction if still running.
class Process {
 public:
  Process() = default;
  Process(HANDLE process, DWORD id) : handle_(process), id_(id) {}
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool valid() const { return handle_ != nullptr; }
  DWORD id() const { return id_; }
  HANDLE handle() const { return handle_; }
  // The exit code, or nothing when the process is still running after timeoutMs.
  std::optional<DWORD> waitForExit(DWORD timeoutMs) const;
  bool running() const { return !waitForExit(0).has_value(); }

 private:
  void release();
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};

// Starts commandLine as given (no quoting added). stdErrFile, when set, receives
// the process's standard error.
Process StartProcess(const std::wstring& commandLine, const std::wstring& stdErrFile = std::wstring());

// Runs a console program and returns its standard output with its exit code.
struct ConsoleResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};
ConsoleResult RunConsole(const std::wstring& commandLine, DWORD timeoutMs);

// The folder holding the built programs (<build>/bin), with a final backslash.
std::wstring BuiltProgramsFolder();

// A fresh folder under the temporary directory, removed with its contents
// unless the running test has failed (then it stays for the log).
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& nameHint);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }  // no final backslash
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// The folder of the launcher under test, with a final backslash: the one
// ZVK_RELEASE_BIN names when set (another build of it, such as the 32-bit
// release; a Unix path is taken on drive Z:), else BuiltProgramsFolder().
std::wstring ProgramUnderTestFolder();

// Copies a built program into folder under the given name; ZVKLaunch.exe
// comes from ProgramUnderTestFolder().
bool CopyProgram(const std::wstring& builtName, const std::wstring& folder, const std::wstring& targetName);

std::vector<fake_client::RecordLine> ReadRecord(const std::wstring& folder);
// Polls the record in folder until some line satisfies the predicate.
std::optional<fake_client::RecordLine> WaitForRecordLine(
    const std::wstring& folder, const std::function<bool(const fake_client::RecordLine&)>& predicate,
    DWORD timeoutMs);
std::vector<fake_client::RecordLine> LinesOfKind(const std::vector<fake_client::RecordLine>& record,
                                                 const std::string& kind);

// Terminates every process with one of these image names (any letter case)
// and waits for them to end.
void EndProcessesNamed(const std::vector<std::wstring>& imageNames);
bool ProcessExists(DWORD processId);

std::string ReadFileBytes(const std::wstring& path);

// HKCR\quillaneth\shell\open\command, default value.
struct RegistryValue {
  DWORD type = 0;
  DWORD size = 0;
  std::vector<wchar_t> data;
  std::wstring text() const { return std::wstring(data.data()); }
};
std::optional<RegistryValue> ReadUrlCommand();
void WriteUrlCommand(const std::wstring& text);

}  // namespace launcher_test
