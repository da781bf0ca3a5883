#include "logging/linelog.h"

// The launcher's process logger: tag "WEX", the debugger output, then standard error. It is created during
// static initialisation and lives until the process ends.
namespace linelog {

ZmLogger& ProcessLogger() {
  static ProgramLogger instance("WEX", true);
  return instance.logger;
}

namespace {
ZmLogger& createdAtStart = ProcessLogger();
}

}  // namespace linelog
