#pragma once
// Tells which processes are this program's to count and terminate: those in
// its own session. On a shared computer another user's Client is never
// touched; a process whose session cannot be told is left alone too, and so
// is every process when the program's own session cannot be told.

#include <functional>
#include <optional>
#include <utility>

namespace platform {

class SessionFilter {
 public:
  // The session of a process id, or nothing when it cannot be told.
  using Lookup = std::function<std::optional<unsigned long>(unsigned long processId)>;

  SessionFilter(unsigned long ownProcessId, Lookup sessionOf)
      : sessionOf_(std::move(sessionOf)), ownSession_(sessionOf_(ownProcessId)) {}

  bool accepts(unsigned long processId) const {
    if (!ownSession_) return false;
    const auto session = sessionOf_(processId);
    return session && *session == *ownSession_;
  }

 private:
  Lookup sessionOf_;
  std::optional<unsigned long> ownSession_;
};

// The filter of the calling process, with the system's session lookup.
SessionFilter OwnSessionFilter();

}  // namespace platform
