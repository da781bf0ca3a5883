#include "logging/linelog.h"
#include "platform/never_destroyed.h"

// The updater's process logger: tag "ZVK", the debugger output only. It is built during
// static initialisation (its first use) and never destroyed, so a thread that logs while the process
// exits still finds it.
namespace linelog {

ZmLogger& ProcessLogger() {
  static platform::NeverDestroyed<ProgramLogger> instance("ZVK", false);
  return instance.get().logger;
}

namespace {
ZmLogger& createdAtStart = ProcessLogger();
}

}  // namespace linelog
