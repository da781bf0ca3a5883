#pragma once
// File names compared as the Windows file systems compare them: letter case
// aside, character by character (simple upper-case mapping of the Basic
// Multilingual Plane; no normalization, "ß" stays "ß"). Where the mapping
// here is unsure it joins names rather than tells them apart: two names it
// calls different must never be one file on Windows.

#include <string>

namespace release {

// The key two names share exactly when Windows takes them for one name.
// The UTF-8 name's code points, each mapped to its upper case.
std::u32string FoldedName(const std::string& utf8Name);

}  // namespace release
