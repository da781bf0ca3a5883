#pragma once
// The updater window's progress line: percentage, retry suffix and the line
// itself, as the window shows them every second. Portable and pure.

#include <cstdint>
#include <string>

#include "updater/windows/ui_texts.h"

namespace updater_ui {

// The formatted texts are cut to this many characters, as a 260-character
// buffer holds them.
constexpr std::size_t kMaxLineChars = 259;

// downloaded * 100 / total in 64-bit integer arithmetic (truncated); 0 while
// the total is unknown (0).
std::int64_t PercentOf(std::int64_t downloaded, std::int64_t total);

// The percentage shown: anything of 100 or more read as an unsigned number,
// negative values included, becomes 100.
int ShownPercent(std::int64_t percent);

// Empty when retryCount is 0, otherwise the language's suffix with the count.
std::wstring RetrySuffix(UiLanguage language, int retryCount);

// "<line text>...<percent>%<suffix>", e.g. "Download updatings......42%".
std::wstring ProgressLine(UiLanguage language, bool forced, int percent, int retryCount);

}  // namespace updater_ui
