#include "updater/download/head_reader.h"

HeadReader::State HeadReader::Append(const char* data, std::size_t length) {
  if (state_ != State::kIncomplete) return state_;
  // Only the last three old bytes can start a terminator that the new ones
  // finish, so the search never goes over the whole head again.
  const std::size_t searchFrom = buffer_.size() >= 3 ? buffer_.size() - 3 : 0;
  buffer_.append(data, length);
  const std::size_t found = buffer_.find("\r\n\r\n", searchFrom);
  if (found != std::string::npos && found + 4 <= kMaxHeadBytes) {
    headEnd_ = found;
    state_ = State::kComplete;
  } else if (buffer_.size() >= kMaxHeadBytes) {
    state_ = State::kTooLarge;
  }
  return state_;
}
