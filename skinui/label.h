#pragma once
// CLabelUI: single-line text in the label's font and colour.

#include "skinui/control.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
 public:
  const wchar_t* GetClass() const override;

  // Replaces the text and repaints; the label keeps its size.
  void SetText(const std::wstring& text) override;
  int GetFont() const { return font_; }
  void SetFont(int id);
  UiColor GetTextColor() const { return textColor_; }
  void SetTextColor(UiColor color);
  UiColor GetDisabledTextColor() const { return disabledTextColor_; }
  void SetDisabledTextColor(UiColor color);
  const UiRect& GetTextPadding() const { return textPadding_; }
  void SetTextPadding(const UiRect& padding);
  unsigned GetTextStyle() const { return textStyle_; }
  void SetTextStyle(unsigned style);

  // Without a fixed height a label wants its font's height plus 4 pixels.
  UiSize EstimateSize(UiSize available) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintText(IRenderer& renderer) override;
  // Draws the text in `color`, or in the window's default text colour when 0.
  void DrawLabelText(IRenderer& renderer, UiColor color);
  // Extra height over the font height that EstimateSize asks for.
  virtual int TextMargin() const { return 4; }

 private:
  int font_ = -1;
  UiColor textColor_ = 0;
  UiColor disabledTextColor_ = 0;
  UiRect textPadding_;
  unsigned textStyle_ = kTextLeft | kTextVCenter;
};

}  // namespace SkinUI
