#pragma once
// Collects the bytes of a response head as they arrive, read by read, and
// finds the blank line that ends it.

#include <cstddef>
#include <string>

class HeadReader {
 public:
  // A head that has not ended within this many bytes is an invalid response.
  static constexpr std::size_t kMaxHeadBytes = 64 * 1024;

  enum class State { kIncomplete, kComplete, kTooLarge };

  // Appends one read's bytes. Once the head is complete, further bytes are
  // refused (the caller takes the buffer instead).
  State Append(const char* data, std::size_t length);

  State state() const { return state_; }
  // Position of the first "\r\n\r\n"; valid once complete.
  std::size_t headEnd() const { return headEnd_; }
  // The head and whatever body bytes came with it.
  std::string& buffer() { return buffer_; }

 private:
  std::string buffer_;
  std::size_t headEnd_ = 0;
  State state_ = State::kIncomplete;
};
