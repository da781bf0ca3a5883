#pragma once
// The install step that follows a finished download: stop the Client, in
// forced mode unpack the package into the install target (retrying for a
// limited time), then show the launch window and start the launcher.
//
// The step is written against the services below so that its order, pauses
// and limits can be checked without the real processes and windows.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "updater/zip_conf.h"
#include "updater/zip_installer.h"

// Pauses and limits of the step. The program uses the defaults; tests
// shorten them.
struct InstallTimings {
  std::uint32_t installLimitMs = 60000;   // forced unpack retried until this has passed
  std::uint32_t retryPauseMs = 2000;      // between two unpack tries
  std::uint32_t extractPauseMs = 500;     // between creating the folder and unpacking
  std::uint32_t launchPauseMs = 300;      // before the launch window
  std::uint32_t clientPassPauseMs = 500;  // between two Client stop passes
  // A Client that survives this many stop passes is left running and nothing
  // is unpacked over it.
  int maxClientPasses = 40;
};

struct InstallServices {
  std::function<std::uint32_t()> findClient;  // process id of a running Client, 0 when none
  std::function<void()> killClientAndWait;
  std::function<void(std::uint32_t ms)> sleep;
  std::function<std::uint32_t()> tickCount;
  // Opens the downloaded package once and checks it (length, MD5, signature).
  PackageOpener openPackage;
  ExtractZipFunction extract;
  // False only when the updater is refused the right to create files in the
  // folder (an installation under Program Files, say). Not asked when empty.
  std::function<bool(const std::filesystem::path& folder)> mayWriteFolder;
  // The failure box (no owner); returns once the user has closed it.
  std::function<void()> showInstallFailure;
  // The launch window, modal. Once the user has closed it, calls `afterClose`
  // and only then destroys the window object.
  std::function<void(const std::function<void()>& afterClose)> runLaunchWindow;
  // Starts the launcher with its parameters (an empty string for none).
  std::function<void(const std::wstring& launcherPath, const std::wstring& parameters)> startLauncher;
};

enum class InstallOutcome {
  NotUnpacked,         // normal mode: the launcher applies the package
  Installed,           // every entry written
  ExtractFailed,       // the extraction ran but did not write every entry; failure box shown
  LeftToLauncher,      // the updater may not write the installation: the launcher, elevated, applies it
  TimedOut,            // the target folder could not be created in time
  ClientStillRunning,  // the Client could not be stopped; nothing unpacked
};

// What the outcome means, in a few words for the log.
const char* DescribeInstallOutcome(InstallOutcome outcome);

// Runs the whole step on the calling (main) thread and says how the unpack
// went. The launcher is started in every outcome, while the launch window
// object still exists.
InstallOutcome RunInstallStep(const ZipConf& conf, const InstallServices& services,
                              const InstallTimings& timings = InstallTimings());
