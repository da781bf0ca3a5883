#include <windows.h>
// shellapi.h relies on the types that windows.h declares.
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>

#include "logging/n_log.h"
#include "platform/platform.h"
#include "updater/install_prompts.h"
#include "updater/process_op.h"
#include "updater/zip_downloader.h"
#include "updater/zip_extract_loader.h"

namespace {

constexpr char kClientName[] = "zvkclient.exe";

// The launcher's folder: clientExePath up to and including its last backslash.
std::wstring LauncherFolder(const ZipConf& conf) {
  const std::wstring launcher = WideFromPath(conf.clientExePath);
  const std::size_t cut = launcher.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::wstring() : launcher.substr(0, cut + 1);
}

void StartLauncher(const std::string& launcherPath, const std::string& parameters) {
  // An empty string, never null: the launcher then gets no parameters at all.
  ShellExecuteA(nullptr, "open", launcherPath.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

InstallServices Win32InstallServices(const ZipConf& conf) {
  InstallServices services;
  services.findClient = [] { return FindProcess_ByName(kClientName); };
  services.killClientAndWait = [] { KillClientAndWait(); };
  services.sleep = [](std::uint32_t ms) { platform::SleepMs(ms); };
  services.tickCount = [] { return platform::TickCount(); };
  services.extract = LoadExtractZipToDir(platform::ModuleDirectory(), LauncherFolder(conf));
  services.showInstallFailure = [] { ShowInstallFailureBox(); };
  services.showLaunchWindow = [] { ShowLaunchWindow(); };
  services.startLauncher = StartLauncher;
  return services;
}

// End-to-end tests cannot wait a minute for the forced install to give up;
// they set this variable to a shorter limit. Only builds that carry the tests
// read it; the release keeps the full limit whatever the environment says.
InstallTimings TimingsFromEnvironment(InstallTimings timings) {
#if !defined(ZVK_TEST_HOOKS)
  return timings;
#else
  const wchar_t* limit = _wgetenv(L"ZVK_TEST_INSTALL_LIMIT_MS");
  if (limit == nullptr || *limit == L'\0') return timings;
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(limit, &end, 10);
  if (end != nullptr && *end == L'\0' && value <= timings.installLimitMs) {
    timings.installLimitMs = static_cast<std::uint32_t>(value);
  }
  return timings;
#endif
}

}  // namespace

ZipDownloader::ZipDownloader(const ZipConf& conf)
    : ZipDownloader(conf, TimingsFromEnvironment(InstallTimings())) {}

ZipDownloader::ZipDownloader(const ZipConf& conf, const InstallTimings& timings)
    : Downloader(conf.url, conf.zipMd5, conf.host, conf.requestPath, conf.forcedupdate != 0),
      conf_(conf),
      timings_(timings) {
  clientShutdown = [] { KillClientAndWait(); };
}

ZipDownloader::~ZipDownloader() = default;

void ZipDownloader::DoInstall() {
  lastOutcome_ = RunInstallStep(conf_, Win32InstallServices(conf_), timings_);
}
