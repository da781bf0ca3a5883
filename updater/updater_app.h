#pragma once
// The updater's application object: lives on wWinMain's stack for the whole
// run and carries what the entry point has set up for it.

#include <windows.h>

#include <string>

class UpdaterApp {
 public:
  // The instance mutex stays owned by the entry point, which closes it.
  UpdaterApp(HANDLE instanceMutex, HINSTANCE instance) : instanceMutex_(instanceMutex), instance_(instance) {}
  UpdaterApp(const UpdaterApp&) = delete;
  UpdaterApp& operator=(const UpdaterApp&) = delete;

  // The main sequence on the main (UI) thread: builds the run's
  // configuration from the command line after the program name (may be null)
  // and carries the update through. True when the run has ended; there is no
  // failure outcome.
  bool Run(const wchar_t* commandLine);

  HANDLE instanceMutex() const { return instanceMutex_; }
  HINSTANCE instance() const { return instance_; }
  // What the last Run did, in a few words for the log ("downloaded and
  // installed", "download failed", ...); empty before Run.
  const std::string& outcome() const { return outcome_; }

 private:
  HANDLE instanceMutex_;
  HINSTANCE instance_;
  std::string outcome_;
};
