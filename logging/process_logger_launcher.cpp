#include "logging/linelog.h"

// The launcher's process logger: tag "WEX", the debugger output then standard error. It is
// created during static initialisation and lives until the process ends.
namespace linelog {
namespace {

struct LauncherProcessLogger {
  ZmLogger logger;
  LauncherProcessLogger() {
    SetProgramTag("WEX");
    logger.addDebugSink();
    logger.addStdErrSink();
  }
};

}  // namespace

ZmLogger& ProcessLogger() {
  static LauncherProcessLogger instance;
  return instance.logger;
}

namespace {
ZmLogger& createdAtStart = ProcessLogger();
}

}  // namespace linelog
