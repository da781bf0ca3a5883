#include "skinui/progress.h"

#include <climits>

#include "skinui/value_syntax.h"

namespace SkinUI {

CProgressUI::CProgressUI() { SetFixedHeight(12); }

const wchar_t* CProgressUI::GetClass() const { return L"ProgressUI"; }

void CProgressUI::SetMinValue(int value) {
  if (min_ == value) return;
  min_ = value;
  Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
  if (max_ == value) return;
  max_ = value;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Invalidate();
}

void CProgressUI::SetForeImage(const std::wstring& image) {
  if (foreImage_ == image) return;
  foreImage_ = image;
  Invalidate();
}

void CProgressUI::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal) return;
  horizontal_ = horizontal;
  Invalidate();
}

UiRect CProgressUI::ClampAndComputeFill() {
  if (max_ <= min_) {
    // At the top of the int range the minimum gives way instead of overflowing.
    if (min_ == INT_MAX) min_ = INT_MAX - 1;
    max_ = min_ + 1;
  }
  if (value_ < min_) value_ = min_;
  if (value_ > max_) value_ = max_;
  const long long range = static_cast<long long>(max_) - min_;
  const UiRect& r = GetPos();
  UiRect fill = r;
  if (horizontal_) {
    fill.right = r.left + static_cast<int>(r.Width() * (static_cast<long long>(value_) - min_) / range);
  } else {
    fill.top = r.top + static_cast<int>(r.Height() * (static_cast<long long>(max_) - value_) / range);
  }
  return fill;
}

void CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"foreimage") {
    SetForeImage(value);
  } else if (name == L"min") {
    SetMinValue(ParseInt(value));
  } else if (name == L"max") {
    SetMaxValue(ParseInt(value));
  } else if (name == L"value") {
    SetValue(ParseInt(value));
  } else if (name == L"hor") {
    SetHorizontal(ParseBool(value));
  } else if (name == L"isstretchfore") {
    stretch_ = ParseBool(value);
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CProgressUI::PaintStatusImage(IRenderer& renderer) {
  const UiRect fill = ClampAndComputeFill();
  if (foreImage_.empty() || fill.IsEmpty()) return;
  // A non-stretched fill shows the image at full size, cut off by the fill rectangle.
  if (stretch_) {
    DrawImage(renderer, foreImage_, fill);
  } else {
    renderer.PushClip(fill);
    DrawImage(renderer, foreImage_, GetPos());
    renderer.PopClip();
  }
}

}  // namespace SkinUI
