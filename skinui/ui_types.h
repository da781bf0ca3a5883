#pragma once
// Plain value types shared by the portable core and the Windows host.

#include <cstdint>

namespace SkinUI {

// 0xAARRGGBB; 0 means "not set".
using UiColor = std::uint32_t;

// Message parameters with the same widths as the Win32 types, so that the
// portable interfaces can be overridden with UINT/WPARAM/LPARAM/LRESULT.
using UiMessage = unsigned int;
#if defined(_WIN64)
using UiWParam = unsigned long long;
using UiLParam = long long;
#elif defined(_WIN32)
using UiWParam = unsigned int;
using UiLParam = long;
#else
using UiWParam = std::uintptr_t;
using UiLParam = std::intptr_t;
#endif
using UiResult = UiLParam;

struct UiPoint {
  int x = 0;
  int y = 0;
};

struct UiSize {
  int cx = 0;
  int cy = 0;
};

struct UiRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(UiPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const UiRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const UiRect& o) const { return !(*this == o); }
};

// Intersection of two rectangles; empty (all zero) when they do not meet.
UiRect Intersect(const UiRect& a, const UiRect& b);

}  // namespace SkinUI
