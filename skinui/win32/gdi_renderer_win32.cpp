#include <algorithm>
#include <cstring>

#include "skinui/win32/gdi_renderer.h"

namespace SkinUI {

namespace {

COLORREF ToColorRef(UiColor color) { return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF); }

RECT ToRect(const UiRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

LOGFONTW DefaultGuiFont() {
  LOGFONTW lf{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfCharSet = DEFAULT_CHARSET;
  // Smooth edges: the skins are small and the text must read cleanly.
  lf.lfQuality = CLEARTYPE_QUALITY;
  return lf;
}

LOGFONTW LogFontFor(const UiFont& font) {
  LOGFONTW lf = DefaultGuiFont();
  if (font.isDefault) return lf;
  const std::size_t len = std::min<std::size_t>(font.face.size(), LF_FACESIZE - 1);
  std::wmemset(lf.lfFaceName, 0, LF_FACESIZE);
  std::wmemcpy(lf.lfFaceName, font.face.data(), len);
  lf.lfHeight = -font.size;
  if (font.bold) lf.lfWeight = std::min<LONG>(lf.lfWeight + FW_BOLD, FW_HEAVY);
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  lf.lfItalic = font.italic ? TRUE : FALSE;
  return lf;
}

}  // namespace

HBITMAP GdiResourceCache::BitmapFor(const SkinImage& image) {
  auto found = bitmaps_.find(&image);
  if (found != bitmaps_.end()) return found->second.Get();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject<HBITMAP> bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap && bits) {
    std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(std::uint32_t));
  } else {
    bitmap.Reset();
  }
  return bitmaps_.emplace(&image, std::move(bitmap)).first->second.Get();
}

HFONT GdiResourceCache::FontFor(const UiFont& font) {
  auto found = fonts_.find(&font);
  if (found != fonts_.end()) return found->second.Get();
  const LOGFONTW lf = LogFontFor(font);
  GdiObject<HFONT> handle(::CreateFontIndirectW(&lf));
  if (!handle) {
    const LOGFONTW fallback = DefaultGuiFont();
    handle = GdiObject<HFONT>(::CreateFontIndirectW(&fallback));
  }
  return fonts_.emplace(&font, std::move(handle)).first->second.Get();
}

int GdiResourceCache::FontHeight(const UiFont& font) {
  auto found = heights_.find(&font);
  if (found != heights_.end()) return found->second;
  MemoryDC dc(nullptr);
  TEXTMETRICW tm{};
  int height = font.size > 0 ? font.size : 13;
  if (dc.Get()) {
    ScopedSelect select(dc.Get(), FontFor(font));
    if (::GetTextMetricsW(dc.Get(), &tm)) height = tm.tmHeight;
  }
  heights_[&font] = height;
  return height;
}

void CGdiRenderer::FillRect(const UiRect& rect, UiColor color) {
  const RECT rc = ToRect(rect);
  ::SetDCBrushColor(dc_, ToColorRef(color));
  ::FillRect(dc_, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

bool CGdiRenderer::DrawImage(const UiRect& dest, const SkinImage& image) {
  if (dest.IsEmpty()) return true;
  HBITMAP bitmap = cache_.BitmapFor(image);
  if (!bitmap) return false;
  MemoryDC source(dc_);
  if (!source.Get()) return false;
  ScopedSelect select(source.Get(), bitmap);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::SetStretchBltMode(dc_, HALFTONE);
  // gdi32's own entry point: msimg32.dll's AlphaBlend forwards to it, and
  // msimg32 is not one of the system's known DLLs.
  return ::GdiAlphaBlend(dc_, dest.left, dest.top, dest.Width(), dest.Height(), source.Get(), 0, 0,
                         image.width, image.height, blend) != FALSE;
}

void CGdiRenderer::DrawString(const UiRect& rect, const std::wstring& text, const UiFont& font, UiColor color,
                              unsigned style) {
  if (text.empty()) return;
  RECT rc = ToRect(rect);
  UINT format = DT_SINGLELINE | DT_NOPREFIX;
  if (style & kTextCenter) {
    format |= DT_CENTER;
  } else if (style & kTextRight) {
    format |= DT_RIGHT;
  }
  if (style & kTextVCenter) format |= DT_VCENTER;
  ScopedSelect select(dc_, cache_.FontFor(font));
  ::SetBkMode(dc_, TRANSPARENT);
  ::SetTextColor(dc_, ToColorRef(color));
  ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &rc, format);
}

void CGdiRenderer::PushClip(const UiRect& rect) {
  ::SaveDC(dc_);
  ::IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
}

void CGdiRenderer::PopClip() { ::RestoreDC(dc_, -1); }

}  // namespace SkinUI
