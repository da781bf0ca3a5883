#pragma once
// Process-wide settings of the download engine. The program leaves the
// defaults except for the updater folder; tests shorten the periods and point
// the folder at a temporary directory. Set them before a worker starts.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "updater/download/proxy_route.h"
#include "updater/download/server_address.h"

namespace download {

struct WatchdogTiming {
  // Before the first chunk: this many polls, one period apart.
  std::uint32_t startPollMs = 1000;
  int startPolls = 5;
  // After it: the transfers are cut off when a whole period passes without a chunk.
  std::uint32_t stallMs = 15000;
};

// Makes the threads of an attempt; throws std::system_error when no thread can
// be started, as std::thread does. Tests replace it to make a start fail.
using ThreadFactory = std::function<std::thread(std::function<void()> body)>;

// Decides the route of an attempt from the system's settings; tests replace
// it with one that blocks.
using RouteFinder = std::function<RouteDecision(const ServerAddress& target, const std::string& requestPath)>;

struct EngineSettings {
  // The updater's folder; the engine's file names are built in it. The
  // running module's folder by default. Wide on Windows, never converted
  // through a code page.
  std::filesystem::path updaterFolder;
  WatchdogTiming watchdog;
  // The size probe gives up when no complete response head came within this time.
  std::uint32_t probeLimitMs = 30000;
  ThreadFactory threadFactory;
  // An attempt waits this long for the system's proxy settings to name its
  // route (a configuration script or automatic detection may take long).
  std::uint32_t routeLimitMs = 30000;
  // Empty: FindProxyRoute.
  RouteFinder routeFinder;
};

// A copy of the current settings; safe from any thread.
EngineSettings CurrentSettings();
void SetUpdaterFolder(const std::filesystem::path& folder);
void SetWatchdogTiming(const WatchdogTiming& timing);
void SetProbeLimit(std::uint32_t milliseconds);
// An empty factory restores plain std::thread.
void SetThreadFactory(ThreadFactory factory);
// An empty finder restores FindProxyRoute.
void SetRouteLookup(RouteFinder finder, std::uint32_t limitMs);

// Starts body through the current factory.
std::thread StartEngineThread(std::function<void()> body);

// The updater folder taken from the running module, as the program uses it.
void UseModuleDirectoryAsUpdaterFolder();

// The file name ("update.td", "update.zip") in the updater folder.
std::filesystem::path UpdaterFile(const std::string& name);

}  // namespace download
