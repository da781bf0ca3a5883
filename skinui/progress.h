#pragma once
// CProgressUI: a bar filled in proportion to its value. The range is checked
// and the value clamped when the bar is painted, not when it is set.

#include "skinui/label.h"

namespace SkinUI {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  const wchar_t* GetClass() const override;

  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  int GetValue() const { return value_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  // Stores the value as given and repaints.
  void SetValue(int value);
  const std::wstring& GetForeImage() const { return foreImage_; }
  void SetForeImage(const std::wstring& image);
  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);

  // Fixes the range and clamps the value (stored), then returns the fill rectangle.
  UiRect ClampAndComputeFill();
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 protected:
  void PaintStatusImage(IRenderer& renderer) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  bool horizontal_ = true;
  bool stretch_ = true;
  std::wstring foreImage_;
};

}  // namespace SkinUI
