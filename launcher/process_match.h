#pragma once
// Matching process snapshot entries by image name and session, and
// terminating the matches in batches of a fixed handle table.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace launcher {

// The snapshot's image name field holds at most this many characters.
constexpr std::size_t kImageNameChars = 260;

// True when the NUL-terminated entry name equals name exactly: same length,
// same characters, letter case included.
bool SameImageName(const wchar_t* entryName, const std::wstring& name);

// Tells which processes are the launcher's to count and terminate: those in
// its own session. On a shared computer another user's Client is never
// touched; a process whose session cannot be told is left alone too, and so
// is every process when the launcher's own session cannot be told.
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

// Collects opened process handles in a table of kCapacity and hands each full
// table to terminate(handles) before collecting more, so that any number of
// matches is terminated and none is skipped. finish() hands over the rest.
template <class Handle, class Terminate>
class TerminationBatch {
 public:
  static constexpr std::size_t kCapacity = 1024;

  explicit TerminationBatch(Terminate terminate) : terminate_(std::move(terminate)) {}

  void add(Handle handle) {
    handles_.push_back(std::move(handle));
    if (handles_.size() == kCapacity) flush();
  }
  void finish() {
    if (!handles_.empty()) flush();
  }

 private:
  void flush() {
    terminate_(handles_);
    handles_.clear();
  }

  Terminate terminate_;
  std::vector<Handle> handles_;
};

}  // namespace launcher
