#pragma once
// The link between a worker's owner and the threads that download for it.
// The owner stops the session when it goes away; the threads hold the session
// by shared ownership, so they never touch the owner itself.

#include <cstdint>
#include <memory>
#include <mutex>

#include "updater/download/attempt_state.h"

class DownloadSession {
 public:
  // Closes the connections of the running attempt so that its blocked reads
  // return at once, and keeps any later attempt from starting. Waits for
  // nothing; any thread.
  void Stop();
  bool Stopped() const;

  // The shared record of a new attempt, or null once the session is stopped.
  std::shared_ptr<AttemptState> BeginAttempt();
  void EndAttempt();

  // The package size the session's last attempt planned its segments for;
  // 0 before the first plan. Only the attempts use it, one at a time.
  std::int64_t plannedTotal = 0;

 private:
  mutable std::mutex mutex_;
  bool stopped_ = false;
  std::shared_ptr<AttemptState> current_;
};

// Counts the engine's threads (workers and transfers) that are still running,
// so that tests and shutdown code can see them all end after a stop.
namespace engine_threads {
void Entered();
void Left();
int Running();
// Waits until no engine thread runs, at most timeoutMs; true when none does.
bool WaitUntilNoneRun(unsigned timeoutMs);

struct Scope {
  Scope() { Entered(); }
  ~Scope() { Left(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};
}  // namespace engine_threads
