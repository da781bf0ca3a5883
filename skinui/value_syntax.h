#pragma once
// The value syntax of skin attributes. Malformed text never fails: it reads as 0.

#include <string>

#include "skinui/ui_types.h"

namespace SkinUI {

// Leading decimal digits with an optional sign; anything else reads as 0.
// Values beyond the int range saturate.
int ParseInt(const std::wstring& text);

// "l,t,r,b": after each number exactly one separator character is skipped,
// whatever it is. Missing numbers read as 0.
UiRect ParseQuad(const std::wstring& text);

// "cx,cy", same separator rule as ParseQuad.
UiSize ParsePair(const std::wstring& text);

// True only for the exact text "true".
bool ParseBool(const std::wstring& text);

// Optional '#', then hexadecimal digits as 0xAARRGGBB; no digits read as 0.
UiColor ParseColor(const std::wstring& text);

// Geometry values (sizes, paddings, insets) are kept within +-kGeometryLimit so
// that layout sums cannot overflow.
constexpr int kGeometryLimit = 1000000;
int ClampGeometry(int value);
UiRect ClampGeometry(const UiRect& rect);

// Case-insensitive comparison of ASCII letters (element and Window/Font attribute names).
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
std::wstring ToLowerAscii(std::wstring text);

}  // namespace SkinUI
