#include "platform/platform.h"
#include "updater/updater_app.h"
#include "updater/zip_conf.h"

namespace {

constexpr DWORD kModulePathCapacity = 1024;

// The executable's full path. A path that does not fit the usual buffer is
// read again in full: a cut path would put the package, the launcher and the
// install target into some other folder.
std::wstring UpdaterModulePath() {
  wchar_t buffer[kModulePathCapacity] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, kModulePathCapacity);
  if (length == 0) return std::wstring();
  if (length >= kModulePathCapacity) return platform::ModulePath();
  return std::wstring(buffer, length);
}

ZipConf parseZipConf(const wchar_t* commandLine) { return BuildZipConf(commandLine, UpdaterModulePath()); }

}  // namespace

bool UpdaterApp::Run(const wchar_t* commandLine) {
  const ZipConf conf = parseZipConf(commandLine);
  // The version notice, the Client stop, the updater window and its message
  // loop all work from this record; until they are in place the run ends with
  // the configuration logged.
  return true;
}
