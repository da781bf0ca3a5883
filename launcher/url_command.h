#pragma once
// The shell command of the quillaneth URL scheme: the launcher's path in
// quotation marks, a blank, and "%1" in quotation marks.

#include <cstddef>
#include <optional>
#include <string>

namespace launcher {

// The value buffer: 260 wide characters, always stored whole (520 bytes).
constexpr std::size_t kUrlCommandChars = 260;
constexpr std::size_t kUrlCommandBytes = kUrlCommandChars * 2;

// The command text for a launcher at modulePath, or nothing when the text and
// its NUL do not fit the value buffer (a path longer than 252 characters): a
// cut path would register a command that starts nothing.
std::optional<std::wstring> FormatUrlCommand(const std::wstring& modulePath);

}  // namespace launcher
