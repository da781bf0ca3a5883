#pragma once
// The one message of the hand-off protocol: the URL text in the ANSI code page
// followed by one NUL byte, written with a single WriteFile. No framing.

#include <cstddef>
#include <optional>
#include <string>

namespace launcher {

// The hand-off buffer; a message (NUL included) never exceeds it.
constexpr std::size_t kHandOffBufferBytes = 10240;

// The message bytes, terminating NUL included, or nothing when they would not
// fit the hand-off buffer: a longer URL is refused rather than cut, so the
// Client never receives a truncated address.
std::optional<std::string> BuildPipeMessage(const std::wstring& urlText);

}  // namespace launcher
