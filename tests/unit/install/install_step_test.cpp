#include "updater/install_step.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "install_fakes.h"

namespace {

using install_test::CapturedLog;
using install_test::FakeWorld;
using Journal = std::vector<std::string>;

ZipConf Conf(int forced, const std::wstring& pagecallparam = L"course?id=7") {
  ZipConf conf;
  conf.zipPath = PathFromWide(L"/inst/Vellacast/temp/update.zip");
  conf.clientDic = PathFromWide(std::filesystem::temp_directory_path().wstring() + L"/");
  conf.clientExePath = PathFromWide(L"/inst/Vellacast/ZVKLaunch.exe");
  conf.pagecallparam = pagecallparam;
  conf.forcedupdate = forced;
  return conf;
}

const std::string kLauncher = "launcher /inst/Vellacast/ZVKLaunch.exe [course?id=7]";
const std::string kClosed = "launch window destroyed";

TEST(InstallStep, ForcedInstallUnpacksThenShowsTheLaunchWindowThenStartsTheLauncher) {
  FakeWorld world;
  CapturedLog log;
  const InstallOutcome outcome = RunInstallStep(Conf(1), world.services());
  EXPECT_EQ(outcome, InstallOutcome::Installed);
  EXPECT_EQ(world.journal, (Journal{"extract", "launch window", kLauncher, kClosed}));
  ASSERT_EQ(world.extractCalls.size(), 1u);
  EXPECT_EQ(world.extractCalls[0],
            L"/inst/Vellacast/temp/update.zip|" + std::filesystem::temp_directory_path().wstring() + L"/");
  EXPECT_TRUE(log.has("install success"));
}

TEST(InstallStep, ForcedInstallPausesBeforeUnpackingAndBeforeTheLaunchWindow) {
  FakeWorld world;
  InstallServices services = world.services();
  std::vector<std::uint32_t> pauses;
  services.sleep = [&](std::uint32_t ms) { pauses.push_back(ms); };
  RunInstallStep(Conf(1), services);
  EXPECT_EQ(pauses, (std::vector<std::uint32_t>{500, 300}));
}

TEST(InstallStep, NormalModeLeavesThePackageToTheLauncher) {
  FakeWorld world;
  CapturedLog log;
  EXPECT_EQ(RunInstallStep(Conf(0), world.services()), InstallOutcome::NotUnpacked);
  EXPECT_EQ(world.journal, (Journal{"launch window", kLauncher, kClosed}));
  EXPECT_TRUE(log.has("install success"));
}

TEST(InstallStep, AnyNonZeroForcedValueUnpacks) {
  FakeWorld world;
  EXPECT_EQ(RunInstallStep(Conf(2), world.services()), InstallOutcome::Installed);
}

TEST(InstallStep, EmptyPagecallparamStartsTheLauncherWithAnEmptyString) {
  FakeWorld world;
  RunInstallStep(Conf(0, L""), world.services());
  EXPECT_EQ(world.journal[1], "launcher /inst/Vellacast/ZVKLaunch.exe []");
}

TEST(InstallStep, RunningClientIsStoppedPassByPassBeforeUnpacking) {
  FakeWorld world;
  world.clientStopsNeeded = 3;
  CapturedLog log;
  RunInstallStep(Conf(1), world.services());
  EXPECT_EQ(world.journal, (Journal{"kill", "kill", "kill", "extract", "launch window", kLauncher, kClosed}));
  int passes = 0;
  for (const std::string& line : log.bodies()) passes += line == "Wex is running";
  EXPECT_EQ(passes, 3);
}

TEST(InstallStep, ClientThatCannotBeStoppedIsNotUnpackedOverButTheLauncherStillStarts) {
  FakeWorld world;
  world.clientStopsNeeded = -1;
  InstallTimings timings;
  timings.maxClientPasses = 5;
  CapturedLog log;
  EXPECT_EQ(RunInstallStep(Conf(1), world.services(), timings), InstallOutcome::ClientStillRunning);
  EXPECT_EQ(world.journal, (Journal{"kill", "kill", "kill", "kill", "kill", "failure box", "launch window",
                                    kLauncher, kClosed}));
  EXPECT_FALSE(log.has("install success"));
}

TEST(InstallStep, TargetThatCannotBeCreatedIsRetriedForSixtySecondsThenReported) {
  FakeWorld world;
  ZipConf conf = Conf(1);
  conf.clientDic = PathFromWide(L"");  // an updater at the root of a drive has no launcher folder
  CapturedLog log;
  const std::uint32_t start = world.now;
  EXPECT_EQ(RunInstallStep(conf, world.services()), InstallOutcome::TimedOut);
  EXPECT_EQ(world.journal, (Journal{"failure box", "launch window", kLauncher, kClosed}));
  // Tries every 2000 ms until more than 60000 ms have passed, then 300 ms to the launch window.
  EXPECT_EQ(world.now - start, 62000u + 300u);
  EXPECT_FALSE(log.has("install success"));
  EXPECT_TRUE(log.has("update install failed"));
  EXPECT_TRUE(log.has("zipName: /inst/Vellacast/temp/update.zip"));
  EXPECT_TRUE(log.has("folder: "));
}

TEST(InstallStep, LimitIsMeasuredAcrossTheTickCounterWrap) {
  FakeWorld world;
  world.now = 0xFFFFFFFFu - 5000;
  ZipConf conf = Conf(1);
  conf.clientDic = PathFromWide(L"");
  InstallTimings timings;
  timings.installLimitMs = 10000;
  EXPECT_EQ(RunInstallStep(conf, world.services(), timings), InstallOutcome::TimedOut);
  EXPECT_EQ(world.now, 0xFFFFFFFFu - 5000 + 12000u + 300u);
}

TEST(InstallStep, ExtractionThatMissedEntriesIsNotReportedAsSuccess) {
  FakeWorld world;
  world.extractResult = 0x200;
  CapturedLog log;
  EXPECT_EQ(RunInstallStep(Conf(1), world.services()), InstallOutcome::ExtractFailed);
  EXPECT_FALSE(log.has("install success"));
  EXPECT_TRUE(log.has("zipName: /inst/Vellacast/temp/update.zip")) << log.text();
  EXPECT_TRUE(log.has("extraction result: 512"));
  // Not retried; the user is told, and the launcher still gets its chance to apply the package.
  EXPECT_EQ(world.journal, (Journal{"extract", "failure box", "launch window", kLauncher, kClosed}));
}

TEST(InstallStep, FailedUnpackIntoAFolderTheUpdaterMayNotWriteIsLeftToTheLauncherWithoutTheFailureBox) {
  FakeWorld world;
  world.extractResult = 0x200;
  world.folderWritable = false;
  CapturedLog log;
  EXPECT_EQ(RunInstallStep(Conf(1), world.services()), InstallOutcome::LeftToLauncher);
  EXPECT_FALSE(log.has("install success"));
  EXPECT_EQ(world.journal, (Journal{"extract", "launch window", kLauncher, kClosed}));
}

// A package changed since its download was checked is installed by nobody:
// the user is told, even where the launcher would have been left to apply it.
TEST(InstallStep, PackageRefusedByItsCheckIsNotExtractedAndTheFailureBoxShows) {
  FakeWorld world;
  world.folderWritable = false;
  world.packageRefused = true;
  CapturedLog log;
  EXPECT_EQ(RunInstallStep(Conf(1), world.services()), InstallOutcome::ExtractFailed);
  EXPECT_TRUE(log.has("update package not installed: changed")) << log.text();
  EXPECT_EQ(world.journal, (Journal{"failure box", "launch window", kLauncher, kClosed}));
}

}  // namespace
