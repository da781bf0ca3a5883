#include "skinui/label.h"

#include "skinui/skin_manager.h"
#include "skinui/value_syntax.h"

namespace SkinUI {

const wchar_t* CLabelUI::GetClass() const { return L"LabelUI"; }

void CLabelUI::SetText(const std::wstring& text) { CControlUI::SetText(text); }

void CLabelUI::SetFont(int id) {
  if (font_ == id) return;
  font_ = id;
  Invalidate();
}

void CLabelUI::SetTextColor(UiColor color) {
  if (textColor_ == color) return;
  textColor_ = color;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(UiColor color) {
  if (disabledTextColor_ == color) return;
  disabledTextColor_ = color;
  Invalidate();
}

void CLabelUI::SetTextPadding(const UiRect& padding) {
  if (textPadding_ == padding) return;
  textPadding_ = ClampGeometry(padding);
  Invalidate();
}

void CLabelUI::SetTextStyle(unsigned style) {
  if (textStyle_ == style) return;
  textStyle_ = style;
  Invalidate();
}

UiSize CLabelUI::EstimateSize(UiSize available) {
  UiSize size = CControlUI::EstimateSize(available);
  if (size.cy == 0) {
    const int fontHeight = GetManager() ? GetManager()->GetFontHeight(font_) : 0;
    size.cy = fontHeight + TextMargin();
  }
  return size;
}

void CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"font") {
    SetFont(ParseInt(value));
  } else if (name == L"textcolor") {
    SetTextColor(ParseColor(value));
  } else if (name == L"disabledtextcolor") {
    SetDisabledTextColor(ParseColor(value));
  } else if (name == L"textpadding") {
    SetTextPadding(ParseQuad(value));
  } else if (name == L"align") {
    unsigned horizontal = textStyle_ & (kTextCenter | kTextRight);
    if (value.find(L"left") != std::wstring::npos) horizontal = kTextLeft;
    if (value.find(L"center") != std::wstring::npos) horizontal = kTextCenter;
    if (value.find(L"right") != std::wstring::npos) horizontal = kTextRight;
    SetTextStyle((textStyle_ & ~(kTextCenter | kTextRight)) | horizontal);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CLabelUI::PaintText(IRenderer& renderer) {
  UiColor color = IsEnabled() ? textColor_ : disabledTextColor_;
  if (!IsEnabled() && color == 0 && GetManager()) color = GetManager()->GetDefaultDisabledColor();
  DrawLabelText(renderer, color);
}

void CLabelUI::DrawLabelText(IRenderer& renderer, UiColor color) {
  if (GetText().empty() || !GetManager()) return;
  if (color == 0) color = GetManager()->GetDefaultTextColor();
  const UiRect& r = GetPos();
  const UiRect textRect{r.left + textPadding_.left, r.top + textPadding_.top, r.right - textPadding_.right,
                        r.bottom - textPadding_.bottom};
  if (textRect.IsEmpty()) return;
  renderer.DrawString(textRect, GetText(), GetManager()->GetFont(font_), color, textStyle_ | kTextVCenter);
}

}  // namespace SkinUI
