// Entry point of Updater.exe: one updater at a time, at least one argument,
// then the application object's run. Exit code 0 after a run, -1 otherwise.

#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "logging/n_log.h"
#include "logging/run_report_win32.h"
#include "platform/platform.h"
#include "platform/win_handle.h"
#include "updater/download/download_session.h"
#include "updater/updater_app.h"
#include "updater/zip_conf.h"

namespace {

constexpr wchar_t kUpdateMutexName[] = L"KTPW_AutoUpdate";
constexpr wchar_t kInstanceMutexName[] = L"{11B0C527-BB62-4BE3-9769-26491D9845B4}";
constexpr DWORD kUpdateMutexWaitMs = 10000;
constexpr unsigned kEngineStopWaitMs = 3000;
constexpr int kExitRan = 0;
constexpr int kExitRefused = -1;

bool InstanceMutexExists() {
  const WinHandle existing(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName));
  return static_cast<bool>(existing);
}

// What the run did, for its last log line.
std::string RunUpdate(UpdaterApp& app, const wchar_t* commandLine) {
  try {
    app.Run(commandLine);
    return app.outcome();
  } catch (const std::exception& error) {
    ZM_ERROR << "update run failed: " << error.what();
  } catch (...) {
    ZM_ERROR << "update run failed";
  }
  return "failed: the run stopped on an error";
}

int RunUpdater(HINSTANCE instance, PWSTR commandLine, std::string& outcome) {
  // Before COM, Winsock's providers, Schannel and the windows load their DLLs.
  outcome = "not run: this Windows needs update KB2533623 for an elevated updater";
  if (!run_report::LibrarySearchFitsRights()) return kExitRefused;
  outcome = "not run: COM cannot be initialised";
  if (FAILED(CoInitialize(nullptr))) return kExitRefused;

  // Once the wait succeeds this thread owns the mutex until it ends; closing
  // the handle on the way out does not give the ownership back early.
  const WinHandle updateMutex(CreateMutexW(nullptr, FALSE, kUpdateMutexName));
  // Abandoned (the previous updater ended while owning it) and failed waits
  // both go on; only a holder that keeps it for the whole wait turns us away.
  outcome = "not run: another updater is running";
  if (WaitForSingleObject(updateMutex.get(), kUpdateMutexWaitMs) == WAIT_TIMEOUT) return kExitRefused;

  if (InstanceMutexExists()) return kExitRefused;
  const WinHandle instanceMutex(CreateMutexW(nullptr, TRUE, kInstanceMutexName));
  UpdaterApp app(instanceMutex.get(), instance);

  outcome = "not run: no arguments";
  if (__argc <= 1) return kExitRefused;
  outcome = RunUpdate(app, commandLine);
  // The window's destruction has stopped the download; give its threads a
  // moment to end before the process tears down what they log through.
  engine_threads::WaitUntilNoneRun(kEngineStopWaitMs);
  CoUninitialize();
  return kExitRan;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  // The installation is the folder above temp\, where the updater runs.
  run_report::Begin({L"Updater", DeriveUpdaterFolders(platform::ModulePath()).parentDir});
  std::string outcome;
  const int exitCode = RunUpdater(instance, commandLine, outcome);
  run_report::End(outcome, exitCode);
  return exitCode;
}
