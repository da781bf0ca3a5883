#include "skinui/value_syntax.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace SkinUI {

UiRect Intersect(const UiRect& a, const UiRect& b) {
  UiRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) return UiRect{};
  return r;
}

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads an optionally signed decimal number at `pos`; advances past what it read.
int ReadNumber(const std::wstring& text, std::size_t& pos) {
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'-' || text[pos] == L'+')) {
    negative = text[pos] == L'-';
    ++pos;
  }
  std::int64_t value = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    value = std::min<std::int64_t>(value * 10 + (text[pos] - L'0'), std::int64_t{INT_MAX} + 1);
    ++pos;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Reads up to `count` numbers, skipping exactly one character after each.
void ReadNumbers(const std::wstring& text, int* out, int count) {
  std::size_t pos = 0;
  for (int i = 0; i < count; ++i) {
    out[i] = ReadNumber(text, pos);
    if (pos < text.size()) ++pos;
  }
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

int ParseInt(const std::wstring& text) {
  std::size_t pos = 0;
  return ReadNumber(text, pos);
}

UiRect ParseQuad(const std::wstring& text) {
  int v[4] = {};
  ReadNumbers(text, v, 4);
  return UiRect{v[0], v[1], v[2], v[3]};
}

UiSize ParsePair(const std::wstring& text) {
  int v[2] = {};
  ReadNumbers(text, v, 2);
  return UiSize{v[0], v[1]};
}

bool ParseBool(const std::wstring& text) { return text == L"true"; }

UiColor ParseColor(const std::wstring& text) {
  std::size_t pos = (!text.empty() && text[0] == L'#') ? 1 : 0;
  UiColor value = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = HexValue(text[pos]);
    if (digit < 0) break;
    value = (value << 4) | static_cast<UiColor>(digit);
  }
  return value;
}

int ClampGeometry(int value) { return std::clamp(value, -kGeometryLimit, kGeometryLimit); }

UiRect ClampGeometry(const UiRect& r) {
  return UiRect{ClampGeometry(r.left), ClampGeometry(r.top), ClampGeometry(r.right), ClampGeometry(r.bottom)};
}

std::wstring ToLowerAscii(std::wstring text) {
  for (auto& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

}  // namespace SkinUI
