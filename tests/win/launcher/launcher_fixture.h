#pragma once
// The fixture of the launcher's Windows tests: every test gets its own
// installation folder with ZVKLaunch.exe and the fake Client, and ends every
// launcher and Client process before and after it runs.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "launcher_harness.h"
#include "window_driver.h"

namespace launcher_test {

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::wstring& installFolder() const { return install_->path(); }

  // Starts the installed launcher with the given text after its quoted path;
  // its standard error goes to launcher.err in the installation folder, read
  // back with "\n" line ends.
  Process startLauncher(const std::wstring& arguments);
  std::string launcherErrorOutput() const;
  // The launcher's exit code; fails the test when it does not end in time.
  DWORD finishLauncher(const Process& launcher);

  // Starts a fake Client (the installed copy unless another path is given)
  // and waits until it serves its window and pipe.
  Process startClient(const std::wstring& options, const std::wstring& executable = std::wstring());

  // The restart question the launcher shows, or nullptr when none appears.
  HWND waitForPrompt(const Process& launcher, DWORD timeoutMs = 10000);

  // The "args" the Client started by the launcher received; nothing when no
  // Client other than those the test started came up in time.
  std::optional<std::string> argumentsOfClientStartedByLauncher(DWORD timeoutMs = 10000);
  std::vector<std::string> pipeMessages() const;

 private:
  std::unique_ptr<TempFolder> install_;
  std::set<unsigned long> testClients_;
};

}  // namespace launcher_test
