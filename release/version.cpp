#include "release/version.h"

#include <algorithm>

namespace release {

std::optional<Version> Version::Parse(const std::string& text) {
  Version version;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = start;
    std::uint32_t value = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9' && end - start < kMaxVersionPartDigits)
      value = value * 10 + static_cast<std::uint32_t>(text[end++] - '0');
    if (end == start || version.parts_.size() == kMaxVersionParts) return std::nullopt;
    version.parts_.push_back(value);
    if (end == text.size()) break;
    if (text[end] != '.') return std::nullopt;
    start = end + 1;
  }
  version.text_ = text;
  return version;
}

int Compare(const Version& a, const Version& b) {
  const std::size_t count = std::max(a.parts_.size(), b.parts_.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t left = i < a.parts_.size() ? a.parts_[i] : 0;
    const std::uint32_t right = i < b.parts_.size() ? b.parts_[i] : 0;
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

}  // namespace release
