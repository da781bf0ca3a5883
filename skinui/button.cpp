#include "skinui/button.h"

#include "skinui/skin_manager.h"
#include "skinui/value_syntax.h"

namespace SkinUI {

CButtonUI::CButtonUI() { SetTextStyle(kTextCenter | kTextVCenter); }

const wchar_t* CButtonUI::GetClass() const { return L"ButtonUI"; }

#define SKINUI_IMAGE_SETTER(Name, field)            \
  void CButtonUI::Name(const std::wstring& image) { \
    if (field == image) return;                     \
    field = image;                                  \
    Invalidate();                                   \
  }
SKINUI_IMAGE_SETTER(SetNormalImage, normalImage_)
SKINUI_IMAGE_SETTER(SetHotImage, hotImage_)
SKINUI_IMAGE_SETTER(SetPushedImage, pushedImage_)
SKINUI_IMAGE_SETTER(SetFocusedImage, focusedImage_)
SKINUI_IMAGE_SETTER(SetDisabledImage, disabledImage_)
#undef SKINUI_IMAGE_SETTER

void CButtonUI::SetHotTextColor(UiColor color) {
  if (hotTextColor_ == color) return;
  hotTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetPushedTextColor(UiColor color) {
  if (pushedTextColor_ == color) return;
  pushedTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetFocusedTextColor(UiColor color) {
  if (focusedTextColor_ == color) return;
  focusedTextColor_ = color;
  Invalidate();
}

bool CButtonUI::Activate() {
  if (!IsVisible() || !IsEnabled()) return false;
  if (GetManager()) GetManager()->SendNotify(this, kNotifyClick);
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!enabled) {
    state_ = (state_ | kStateDisabled) & ~(kStateHot | kStatePushed | kStateCaptured);
  } else {
    state_ &= ~kStateDisabled;
  }
}

void CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"normalimage") {
    SetNormalImage(value);
  } else if (name == L"hotimage") {
    SetHotImage(value);
  } else if (name == L"pushedimage") {
    SetPushedImage(value);
  } else if (name == L"focusedimage") {
    SetFocusedImage(value);
  } else if (name == L"disabledimage") {
    SetDisabledImage(value);
  } else if (name == L"hottextcolor") {
    SetHotTextColor(ParseColor(value));
  } else if (name == L"pushedtextcolor") {
    SetPushedTextColor(ParseColor(value));
  } else if (name == L"focusedtextcolor") {
    SetFocusedTextColor(ParseColor(value));
  } else if (name == L"menu") {
    SetMenuEnabled(ParseBool(value));
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CButtonUI::SetStateBit(unsigned bit, bool on) {
  const unsigned next = on ? (state_ | bit) : (state_ & ~bit);
  if (next == state_) return;
  state_ = next;
  Invalidate();
}

void CButtonUI::OnPointerEvent(TEventUI& event) {
  const bool inside = GetPos().Contains(event.ptMouse);
  switch (event.type) {
    case UiEventType::kMouseEnter:
      if (IsEnabled()) SetStateBit(kStateHot, true);
      break;
    case UiEventType::kMouseLeave:
      SetStateBit(kStateHot, false);
      break;
    case UiEventType::kButtonDown:
    case UiEventType::kDoubleClick:
      if (IsEnabled() && inside) SetStateBit(kStatePushed | kStateCaptured, true);
      break;
    case UiEventType::kMouseMove:
      if (state_ & kStateCaptured) SetStateBit(kStatePushed, inside);
      break;
    case UiEventType::kButtonUp:
      if (state_ & kStateCaptured) {
        SetStateBit(kStatePushed | kStateCaptured, false);
        if (inside) Activate();
      }
      break;
    default:
      break;
  }
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEventType::kSetFocus:
    case UiEventType::kKillFocus:
      SetStateBit(kStateFocused, event.type == UiEventType::kSetFocus);
      CLabelUI::DoEvent(event);
      break;
    case UiEventType::kKeyDown:
      if (keyboardEnabled_ && (event.key == kKeySpace || event.key == kKeyReturn)) Activate();
      break;
    case UiEventType::kContextMenu:
      if (menuEnabled_ && IsEnabled() && GetManager()) {
        GetManager()->SendNotify(this, kNotifyMenu, 0, 0);
      }
      break;
    default:
      OnPointerEvent(event);
      break;
  }
}

const std::wstring& CButtonUI::CurrentStateImage() const {
  if (!IsEnabled()) return disabledImage_;
  if (state_ & kStatePushed) return pushedImage_;
  if (state_ & kStateHot) return hotImage_;
  if (state_ & kStateFocused) return focusedImage_;
  return normalImage_;
}

UiColor CButtonUI::CurrentTextColor() const {
  if (!IsEnabled()) return GetDisabledTextColor();
  if ((state_ & kStatePushed) && pushedTextColor_ != 0) return pushedTextColor_;
  if ((state_ & kStateHot) && hotTextColor_ != 0) return hotTextColor_;
  if ((state_ & kStateFocused) && focusedTextColor_ != 0) return focusedTextColor_;
  return GetTextColor();
}

void CButtonUI::PaintStatusImage(IRenderer& renderer) {
  const std::wstring& image = CurrentStateImage();
  if (&image != &normalImage_ && DrawImage(renderer, image, GetPos())) return;
  DrawImage(renderer, normalImage_, GetPos());
}

void CButtonUI::PaintText(IRenderer& renderer) {
  UiColor color = CurrentTextColor();
  if (!IsEnabled() && color == 0 && GetManager()) color = GetManager()->GetDefaultDisabledColor();
  DrawLabelText(renderer, color);
}

}  // namespace SkinUI
