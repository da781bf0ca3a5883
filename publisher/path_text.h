#pragma once
// The tool's words and messages carry paths as UTF-8 on every system; on
// Windows the file names themselves are UTF-16, and a plain std::string would
// be taken in the ANSI code page there.

#include <filesystem>
#include <string>

namespace publisher {

inline std::filesystem::path Utf8Path(const std::string& text) { return std::filesystem::u8path(text); }
inline std::string Utf8Text(const std::filesystem::path& path) { return path.u8string(); }

// The wide name the platform layer takes. Natively the name's bytes must be
// UTF-8; throws std::runtime_error naming the file otherwise.
std::wstring WidePath(const std::filesystem::path& path);

}  // namespace publisher
