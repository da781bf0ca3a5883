#include <windows.h>
// Needs the declarations of windows.h.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "launcher_harness.h"
#include "platform/string_convert.h"

namespace launcher_test {

namespace {

constexpr DWORD kPollMs = 50;

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

HANDLE CreateInheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

Process Launch(const std::wstring& commandLine, HANDLE output, HANDLE error) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output != nullptr || error != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = error;
  }
  PROCESS_INFORMATION info{};
  std::wstring mutableLine = commandLine;
  if (!CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return Process();
  }
  CloseHandle(info.hThread);
  return Process(info.hProcess, info.dwProcessId);
}

}  // namespace

Process::~Process() { release(); }

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    release();
    handle_ = std::exchange(other.handle_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

void Process::release() {
  if (handle_ == nullptr) return;
  if (running()) {
    TerminateProcess(handle_, 99);
    WaitForSingleObject(handle_, 5000);
  }
  CloseHandle(handle_);
  handle_ = nullptr;
}

std::optional<DWORD> Process::waitForExit(DWORD timeoutMs) const {
  if (handle_ == nullptr || WaitForSingleObject(handle_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(handle_, &code);
  return code;
}

Process StartProcess(const std::wstring& commandLine, const std::wstring& stdErrFile) {
  if (stdErrFile.empty()) return Launch(commandLine, nullptr, nullptr);
  ScopedHandle error(CreateInheritableFile(stdErrFile));
  return Launch(commandLine, nullptr, error.get());
}

ConsoleResult RunConsole(const std::wstring& commandLine, DWORD timeoutMs) {
  TempFolder folder(L"console");
  const std::wstring outputPath = folder.file(L"stdout.txt");
  ConsoleResult result;
  {
    ScopedHandle output(CreateInheritableFile(outputPath));
    Process process = Launch(commandLine, output.get(), output.get());
    if (auto code = process.waitForExit(timeoutMs)) result.exitCode = *code;
  }
  result.output = ReadFileBytes(outputPath);
  return result;
}

std::wstring BuiltProgramsFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  std::wstring testPath(path, GetModuleFileNameW(nullptr, path, MAX_PATH * 4));
  testPath.erase(testPath.find_last_of(L"\\/"));  // <build>\tests
  testPath.erase(testPath.find_last_of(L"\\/") + 1);
  return testPath + L"bin\\";
}

TempFolder::TempFolder(const std::wstring& nameHint) {
  static unsigned counter = 0;
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  path_ = std::wstring(temp) + L"zvk-" + nameHint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  std::filesystem::create_directories(path_, ignored);
}

TempFolder::~TempFolder() {
  if (::testing::Test::HasFailure()) {
    std::fprintf(stderr, "kept for the log: %s\n", platform::WideToUtf8(path_).c_str());
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::wstring ProgramUnderTestFolder() {
  wchar_t value[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(L"ZVK_RELEASE_BIN", value, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return BuiltProgramsFolder();
  std::wstring folder(value, length);
  if (folder[0] == L'/') folder.insert(0, L"Z:");
  for (auto& c : folder) {
    if (c == L'/') c = L'\\';
  }
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool CopyProgram(const std::wstring& builtName, const std::wstring& folder, const std::wstring& targetName) {
  const std::wstring target = folder + L"\\" + targetName;
  const std::wstring from = builtName == L"ZVKLaunch.exe" ? ProgramUnderTestFolder() : BuiltProgramsFolder();
  return CopyFileW((from + builtName).c_str(), target.c_str(), FALSE) != FALSE;
}

std::string ReadFileBytes(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file.valid()) return bytes;
  char buffer[8192];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::vector<fake_client::RecordLine> ReadRecord(const std::wstring& folder) {
  const std::string name = fake_client::kRecordFileName;
  return fake_client::ParseRecord(ReadFileBytes(folder + L"\\" + std::wstring(name.begin(), name.end())));
}

std::optional<fake_client::RecordLine> WaitForRecordLine(
    const std::wstring& folder, const std::function<bool(const fake_client::RecordLine&)>& predicate,
    DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    for (const auto& line : ReadRecord(folder)) {
      if (predicate(line)) return line;
    }
    if (GetTickCount() - start >= timeoutMs) return std::nullopt;
    Sleep(kPollMs);
  }
}

std::vector<fake_client::RecordLine> LinesOfKind(const std::vector<fake_client::RecordLine>& record,
                                                 const std::string& kind) {
  std::vector<fake_client::RecordLine> lines;
  for (const auto& line : record) {
    if (line.kind == kind) lines.push_back(line);
  }
  return lines;
}

void EndProcessesNamed(const std::vector<std::wstring>& imageNames) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    for (const auto& name : imageNames) {
      if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
      ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
      if (!process.valid()) continue;
      TerminateProcess(process.get(), 98);
      WaitForSingleObject(process.get(), 5000);
    }
  }
}

bool ProcessExists(DWORD processId) {
  ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  return process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::optional<RegistryValue> ReadUrlCommand() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"quillaneth\\shell\\open\\command", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  RegistryValue value;
  value.data.assign(2048, L'\0');
  value.size = static_cast<DWORD>((value.data.size() - 1) * sizeof(wchar_t));
  const LONG status = RegQueryValueExW(key, nullptr, nullptr, &value.type,
                                       reinterpret_cast<BYTE*>(value.data.data()), &value.size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return value;
}

void WriteUrlCommand(const std::wstring& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"quillaneth\\shell\\open\\command", 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

}  // namespace launcher_test
