#include "updater/download/engine_settings.h"

#include <mutex>

#include "platform/never_destroyed.h"
#include "platform/platform.h"
#include "platform/string_convert.h"

namespace download {
namespace {

std::mutex& SettingsMutex() {
  static platform::NeverDestroyed<std::mutex> mutex;
  return mutex.get();
}

std::filesystem::path ModuleFolder() {
#ifdef _WIN32
  return std::filesystem::path(platform::ModuleDirectory());
#else
  return std::filesystem::u8path(WideToAnsi(platform::ModuleDirectory()));
#endif
}

// The program never sets the folder: it is the module's own until a test
// points it elsewhere.
EngineSettings& Settings() {
  static platform::NeverDestroyed<EngineSettings> settings;
  static const bool folderSet = [] {
    settings.get().updaterFolder = ModuleFolder();
    return true;
  }();
  (void)folderSet;
  return settings.get();
}

}  // namespace

EngineSettings CurrentSettings() {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  return Settings();
}

void SetUpdaterFolder(const std::filesystem::path& folder) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings().updaterFolder = folder;
}

void SetWatchdogTiming(const WatchdogTiming& timing) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings().watchdog = timing;
}

void SetProbeLimit(std::uint32_t milliseconds) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings().probeLimitMs = milliseconds;
}

void SetThreadFactory(ThreadFactory factory) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings().threadFactory = std::move(factory);
}

void SetRouteLookup(RouteFinder finder, std::uint32_t limitMs) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  Settings().routeFinder = std::move(finder);
  Settings().routeLimitMs = limitMs;
}

std::thread StartEngineThread(std::function<void()> body) {
  ThreadFactory factory;
  {
    std::lock_guard<std::mutex> lock(SettingsMutex());
    factory = Settings().threadFactory;
  }
  if (factory) return factory(std::move(body));
  return std::thread(std::move(body));
}

void UseModuleDirectoryAsUpdaterFolder() { SetUpdaterFolder(ModuleFolder()); }

std::filesystem::path UpdaterFile(const std::string& name) {
  std::lock_guard<std::mutex> lock(SettingsMutex());
  return Settings().updaterFolder / name;
}

}  // namespace download
