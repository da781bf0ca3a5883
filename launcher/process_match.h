#pragma once
// Matching process snapshot entries by image name and session, and
// terminating the matches in batches of a fixed handle table.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/session_filter.h"

namespace launcher {

// The snapshot's image name field holds at most this many characters.
constexpr std::size_t kImageNameChars = 260;

// True when the NUL-terminated entry name equals name exactly: same length,
// same characters, letter case included.
bool SameImageName(const wchar_t* entryName, const std::wstring& name);

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
