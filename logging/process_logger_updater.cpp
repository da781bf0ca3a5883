#include "logging/linelog.h"

// The updater's process logger: tag "ZVK", the debugger output only. It is created during
// static initialisation and lives until the process ends.
namespace linelog {

ZmLogger& ProcessLogger() {
  static ProgramLogger instance("ZVK", false);
  return instance.logger;
}

namespace {
ZmLogger& createdAtStart = ProcessLogger();
}

}  // namespace linelog
