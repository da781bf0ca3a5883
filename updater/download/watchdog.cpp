#include "updater/download/watchdog.h"

#include "updater/download/attempt_state.h"

namespace {

// Waits one period; true when the watch is over (all transfers ended, or the
// connections were closed by a stop).
bool WaitPeriod(AttemptState& attempt, std::uint32_t periodMs) {
  return attempt.WaitTransfers(periodMs) || attempt.Closed();
}

}  // namespace

void WatchTransfers(AttemptState& attempt, const download::WatchdogTiming& timing) {
  std::uint32_t count = attempt.progressTicks;
  if (count == 0) {
    for (int poll = 0; poll < timing.startPolls && count == 0; ++poll) {
      if (WaitPeriod(attempt, timing.startPollMs)) return;
      count = attempt.progressTicks;
    }
    if (count == 0) {
      attempt.CloseConnections();
      return;
    }
  }
  std::uint32_t last = 0;
  do {
    last = count;
    if (WaitPeriod(attempt, timing.stallMs)) return;
    count = attempt.progressTicks;
  } while (count != last);
  attempt.CloseConnections();
}
