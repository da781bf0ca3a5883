#pragma once
// UTF-8 <-> wide text for skin documents and package entry names.

#include <cstddef>
#include <string>

namespace SkinUI {

// Invalid sequences become U+FFFD; a leading byte-order mark is not removed here.
std::wstring Utf8ToWide(const char* data, std::size_t size);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

}  // namespace SkinUI
