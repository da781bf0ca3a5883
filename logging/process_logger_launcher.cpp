#include "logging/linelog.h"
#include "platform/never_destroyed.h"

// The launcher's process logger: tag "WEX", the debugger output, then standard error. It is built during
// static initialisation (its first use) and never destroyed, so a thread that logs while the process
// exits still finds it.
namespace linelog {

ZmLogger& ProcessLogger() {
  static platform::NeverDestroyed<ProgramLogger> instance("WEX", true);
  return instance.get().logger;
}

namespace {
ZmLogger& createdAtStart = ProcessLogger();
}

}  // namespace linelog
