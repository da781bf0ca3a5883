#pragma once
// The GDI renderer: fills with the DC brush, images with AlphaBlend over
// premultiplied 32-bit DIBs, text with DrawTextW. Bitmaps and fonts are made
// once per window and kept in a GdiResourceCache.

#include <windows.h>

#include <map>
#include <vector>

#include "skinui/renderer.h"
#include "skinui/skin_image.h"
#include "skinui/win32/gdi_objects.h"

namespace SkinUI {

class GdiResourceCache {
 public:
  // A 32-bit top-down DIB section holding the image's pixels; nullptr on failure.
  HBITMAP BitmapFor(const SkinImage& image);
  // The GDI font for a skin font (ClearType quality); never nullptr.
  HFONT FontFor(const UiFont& font);
  // tmHeight of the font.
  int FontHeight(const UiFont& font);

 private:
  std::map<const SkinImage*, GdiObject<HBITMAP>> bitmaps_;
  std::map<const UiFont*, GdiObject<HFONT>> fonts_;
  std::map<const UiFont*, int> heights_;
};

class CGdiRenderer : public IRenderer {
 public:
  CGdiRenderer(HDC dc, GdiResourceCache& cache) : dc_(dc), cache_(cache) {}

  void FillRect(const UiRect& rect, UiColor color) override;
  bool DrawImage(const UiRect& dest, const SkinImage& image) override;
  void DrawString(const UiRect& rect, const std::wstring& text, const UiFont& font, UiColor color,
                  unsigned style) override;
  void PushClip(const UiRect& rect) override;
  void PopClip() override;

 private:
  HDC dc_;
  GdiResourceCache& cache_;
};

}  // namespace SkinUI
