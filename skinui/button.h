#pragma once
// CButtonUI: an image button with optional text. It chooses its state image
// and text colour from its state bits and sends "click" when activated.

#include "skinui/label.h"

namespace SkinUI {

class CButtonUI : public CLabelUI {
 public:
  enum StateBits : unsigned {
    kStateFocused = 0x01,
    kStateDisabled = 0x02,
    kStateHot = 0x04,
    kStatePushed = 0x08,
    kStateCaptured = 0x10,
  };

  CButtonUI();
  const wchar_t* GetClass() const override;
  bool IsTabStop() const override { return true; }
  unsigned GetState() const { return state_; }

  void SetNormalImage(const std::wstring& image);
  void SetHotImage(const std::wstring& image);
  void SetPushedImage(const std::wstring& image);
  void SetFocusedImage(const std::wstring& image);
  void SetDisabledImage(const std::wstring& image);
  const std::wstring& GetNormalImage() const { return normalImage_; }
  const std::wstring& GetHotImage() const { return hotImage_; }
  const std::wstring& GetPushedImage() const { return pushedImage_; }

  void SetHotTextColor(UiColor color);
  void SetPushedTextColor(UiColor color);
  void SetFocusedTextColor(UiColor color);
  UiColor GetHotTextColor() const { return hotTextColor_; }
  UiColor GetPushedTextColor() const { return pushedTextColor_; }
  UiColor GetFocusedTextColor() const { return focusedTextColor_; }
  // Whether Space and Return activate the focused button (default true).
  void SetKeyboardEnabled(bool enabled) { keyboardEnabled_ = enabled; }
  void SetMenuEnabled(bool enabled) { menuEnabled_ = enabled; }

  // Sends "click" when the button is visible and enabled; returns whether it did.
  bool Activate();
  void SetEnabled(bool enabled) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void DoEvent(TEventUI& event) override;

  // The state image in effect for the current state (before the fallback to
  // the normal image when it cannot be drawn).
  const std::wstring& CurrentStateImage() const;
  // The text colour in effect for the current state (0 = window default).
  UiColor CurrentTextColor() const;

 protected:
  void PaintStatusImage(IRenderer& renderer) override;
  void PaintText(IRenderer& renderer) override;
  int TextMargin() const override { return 8; }

 private:
  void SetStateBit(unsigned bit, bool on);
  void OnPointerEvent(TEventUI& event);

  unsigned state_ = 0;
  bool keyboardEnabled_ = true;
  bool menuEnabled_ = false;
  std::wstring normalImage_;
  std::wstring hotImage_;
  std::wstring pushedImage_;
  std::wstring focusedImage_;
  std::wstring disabledImage_;
  UiColor hotTextColor_ = 0;
  UiColor pushedTextColor_ = 0;
  UiColor focusedTextColor_ = 0;
};

}  // namespace SkinUI
