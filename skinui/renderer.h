#pragma once
// What controls paint through. The Windows host implements it with GDI into a
// memory DC; tests use a recording renderer.

#include <string>

#include "skinui/ui_types.h"

namespace SkinUI {

struct SkinImage;

// A font as the skin describes it. `isDefault` stands for the system's default
// GUI font (face and height), whatever the other fields say.
struct UiFont {
  std::wstring face;
  int size = 0;  // character height in pixels
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool isDefault = false;
};

// Text style flags (single line and no prefix processing are always applied).
enum UiTextStyle : unsigned {
  kTextLeft = 0x0,
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextVCenter = 0x4,
};

class IRenderer {
 public:
  virtual ~IRenderer() = default;
  virtual void FillRect(const UiRect& rect, UiColor color) = 0;
  // Stretches the whole image over `dest`, alpha-blended. Returns false when
  // the image could not be drawn.
  virtual bool DrawImage(const UiRect& dest, const SkinImage& image) = 0;
  // One line, vertically centred per `style`, transparent background; only the
  // RGB of `color` is used.
  virtual void DrawString(const UiRect& rect, const std::wstring& text, const UiFont& font, UiColor color,
                          unsigned style) = 0;
  // Restricts painting to the intersection of `rect` and the current clip,
  // until the matching PopClip.
  virtual void PushClip(const UiRect& rect) = 0;
  virtual void PopClip() = 0;
};

}  // namespace SkinUI
