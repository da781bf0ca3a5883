#include <windows.h>
// shellapi.h relies on the types that windows.h declares.
#include <shellapi.h>

#include <cwchar>
#include <memory>

#include "logging/n_log.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/win_handle.h"
#include "updater/install_prompts.h"
#include "updater/process_op.h"
#include "updater/verified_package.h"
#include "updater/zip_downloader.h"
#include "updater/zip_extract_loader.h"

namespace {

constexpr char kClientName[] = "zvkclient.exe";

void StartLauncher(const std::wstring& launcherPath, const std::wstring& parameters) {
  // The launcher beside the installation, by its full path only: for a bare
  // name (an updater at a drive's root has no folder above its own) the shell
  // would search on and start whatever it finds, with the updater's rights.
  if (launcherPath.find(L'\\') == std::wstring::npos) {
    ZM_ERROR << "the launcher is not started: no folder above the updater's";
    return;
  }
  // An empty string, never null: the launcher then gets no parameters at all.
  ShellExecuteW(nullptr, L"open", launcherPath.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

// zlib.dll is looked for on the first unpack only: a normal-mode install
// never unpacks, so it neither loads the DLL nor warns that none is there.
// Later tries of the same install reuse what the first one found.
ExtractZipFunction ExtractOnFirstUse(const ZipConf& conf) {
  auto loaded = std::make_shared<ExtractZipFunction>();
  const std::wstring launcherFolder = WideFromPath(conf.clientDic);
  return [loaded, launcherFolder](platform::File& package, const std::wstring& folder) {
    if (!*loaded) *loaded = LoadExtractZipToDir(platform::ModuleDirectory(), launcherFolder);
    return (*loaded)(package, folder);
  };
}

// Creating a file is the only honest test of the right to write a folder: its
// attributes and access list do not say what this process's token may do.
bool MayCreateFilesIn(const std::filesystem::path& folder) {
  wchar_t name[32];
  std::swprintf(name, 32, L"~zvk-probe-%016llx", static_cast<unsigned long long>(platform::SystemRandom()));
  const std::wstring probe = (folder / name).wstring();
  const WinHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return file || GetLastError() != ERROR_ACCESS_DENIED;
}

InstallServices Win32InstallServices(const ZipConf& conf, const DownloadedPackage& downloaded) {
  InstallServices services;
  services.findClient = [] { return FindProcess_ByName(kClientName); };
  services.killClientAndWait = [] { KillClientAndWait(); };
  services.sleep = [](std::uint32_t ms) { platform::SleepMs(ms); };
  services.tickCount = [] { return platform::TickCount(); };
  services.openPackage = [downloaded](const std::filesystem::path& package, std::string& why) {
    return OpenVerifiedPackage(package, downloaded.md5, downloaded.length, why,
                               downloaded.sha256 ? &*downloaded.sha256 : nullptr);
  };
  services.extract = ExtractOnFirstUse(conf);
  services.mayWriteFolder = MayCreateFilesIn;
  services.showInstallFailure = [] { ShowInstallFailureBox(); };
  services.runLaunchWindow = [](const std::function<void()>& afterClose) { RunLaunchWindow(afterClose); };
  services.startLauncher = StartLauncher;
  return services;
}

}  // namespace

ZipDownloader::ZipDownloader(const ZipConf& conf) : ZipDownloader(conf, InstallTimings()) {}

ZipDownloader::ZipDownloader(const ZipConf& conf, const InstallTimings& timings)
    : Downloader(conf.url, conf.zipMd5, conf.host, conf.requestPath, conf.forcedupdate != 0),
      conf_(conf),
      timings_(timings),
      downloaded_(std::make_shared<DownloadedPackage>(DownloadedPackage{conf.zipMd5, 0, std::nullopt})) {
  clientShutdown = [] { KillClientAndWait(); };
  // Runs on the worker's thread and may outlive this object: it holds what
  // it touches.
  packageCheck = [conf = conf_, downloaded = downloaded_](const release::FullPackageRef* fetchedInstead) {
    *downloaded =
        fetchedInstead ? PackageNamedBy(*fetchedInstead) : DownloadedPackage{conf.zipMd5, 0, std::nullopt};
    return CheckDownloadedPackage(conf, *downloaded, fetchedInstead != nullptr);
  };
}

ZipDownloader::~ZipDownloader() = default;

void ZipDownloader::DoInstall() {
  DownloadedPackage downloaded = *downloaded_;
  if (downloaded.length <= 0) downloaded.length = status.totalSize;
  lastOutcome_ = RunInstallStep(conf_, Win32InstallServices(conf_, downloaded), timings_);
}
