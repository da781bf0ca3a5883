#pragma once
// Release versions: dotted decimal numbers ("2", "2.4", "2.4.10"), compared
// part by part as numbers, a missing part counting as 0 ("2.4" = "2.4.0";
// "2.10" > "2.9").

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace release {

constexpr std::size_t kMaxVersionParts = 8;
constexpr std::size_t kMaxVersionPartDigits = 9;

class Version {
 public:
  // nullopt unless the text is 1 to 8 parts of 1 to 9 decimal digits each,
  // separated by single dots.
  static std::optional<Version> Parse(const std::string& text);

  // The text as it was written (leading zeros included).
  const std::string& text() const { return text_; }

  friend int Compare(const Version& a, const Version& b);
  friend bool operator==(const Version& a, const Version& b) { return Compare(a, b) == 0; }
  friend bool operator!=(const Version& a, const Version& b) { return Compare(a, b) != 0; }
  friend bool operator<(const Version& a, const Version& b) { return Compare(a, b) < 0; }
  friend bool operator>(const Version& a, const Version& b) { return Compare(a, b) > 0; }

 private:
  std::vector<std::uint32_t> parts_;
  std::string text_;
};

}  // namespace release
