#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/url_command.h"
#include "launcher/url_registration.h"
#include "launcher/win32_handles.h"
#include "logging/n_log.h"
#include "platform/platform.h"

namespace {

const wchar_t kCommandKey[] = L"quillaneth\\shell\\open\\command";

bool OpenCommandKey(launcher::UniqueRegKey& key) {
  return RegCreateKeyExW(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, key.receive(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

void WriteRegFun() {
  // Read the whole path: a path cut at the buffer would register a command
  // that starts nothing.
  const std::wstring modulePath = platform::ModulePath();
  if (modulePath.empty()) {
    std::wprintf(L"GetModuleFileName failed w/err 0x%08lx\n", GetLastError());
    return;
  }
  const auto command = launcher::FormatUrlCommand(modulePath);
  if (!command) {
    ZM_INFO << "module path too long for the url command, not registered: " << modulePath;
    return;
  }
  launcher::UniqueRegKey key;
  if (!OpenCommandKey(key)) return;
  wchar_t value[launcher::kUrlCommandChars] = {};
  command->copy(value, command->size());
  if (RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>(launcher::kUrlCommandBytes)) != ERROR_SUCCESS) {
    ZM_INFO << "set reg failure: ";
  }
}
