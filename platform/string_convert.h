#pragma once
// Conversions between the wide text of paths and UI and the narrow text of
// URLs, MD5 digests, launcher parameters and log lines.

#include <string>

// Wide to the user's ANSI code page (Windows) or UTF-8 (native builds).
// Returns the text up to the first NUL; characters the code page lacks are
// replaced as the system converter does. Empty input gives an empty string.
std::string WideToAnsi(const std::wstring& text);

// The reverse of WideToAnsi.
std::wstring AnsiToWide(const std::string& text);

namespace platform {

// Wide to UTF-8, for text that tools outside the programs read (test records,
// the GUI driver's output). Empty input gives an empty string.
std::string WideToUtf8(const std::wstring& text);

// Wide to code page 936 (simplified Chinese) for log lines. A text holding a
// character that code page cannot represent converts to an empty string.
// Native builds use iconv's CP936 tables.
std::string WideToCodePage936(const std::wstring& text);

}  // namespace platform
