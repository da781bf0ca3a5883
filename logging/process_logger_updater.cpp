#include "logging/linelog.h"

// The updater's process logger: tag "ZVK", the debugger output only. It is
// created during static initialisation and lives until the process ends.
namespace linelog {
namespace {

struct UpdaterProcessLogger {
  ZmLogger logger;
  UpdaterProcessLogger() {
    SetProgramTag("ZVK");
    logger.addDebugSink();
  }
};

}  // namespace

ZmLogger& ProcessLogger() {
  static UpdaterProcessLogger instance;
  return instance.logger;
}

namespace {
ZmLogger& createdAtStart = ProcessLogger();
}

}  // namespace linelog
