#pragma once
// Entry names: decoding, the cleaning loop, and the rule that keeps every
// output path under the extraction root.

#include <cstddef>
#include <string>

// Longest name, directory part or path the reader accepts, in wide units
// (the fixed 260-unit buffers of the design, terminator included).
constexpr std::size_t kMaxZipPath = 259;

// Decodes UTF-8 name bytes; invalid sequences become U+FFFD. Wide strings are
// UTF-16 on Windows and UTF-32 elsewhere.
std::wstring DecodeUtf8Name(const char* bytes, std::size_t length);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or values past U+10FFFF). A name that is not was written in some legacy
// code page and would be installed under names nobody wrote: it is refused.
bool IsValidUtf8(const std::string& bytes);

// The bytes as lowercase hex pairs, for naming a refused entry in a log line.
std::string HexBytes(const std::string& bytes);

// Drops drive prefixes, leading separators and everything up to an inner
// "\..\", "\../", "/../" or "/..\", repeatedly, until none applies.
std::wstring CleanEntryName(std::wstring name);

// True when a relative output name stays under the root: not empty, not
// absolute, no ":" (drive or alternate stream), no NUL, and no component
// that is ".." (or, as Windows reads it, only dots and spaces with two dots).
bool IsSafeOutputName(const std::wstring& name);
