#include "skinui/control.h"

#include "skinui/skin_manager.h"
#include "skinui/value_syntax.h"

namespace SkinUI {

CControlUI::~CControlUI() {
  if (manager_) manager_->ReapControl(this);
}

const wchar_t* CControlUI::GetClass() const { return L"ControlUI"; }

void CControlUI::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (!visible_ && manager_) manager_->ReapControl(this, false);
  NeedUpdate();
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void CControlUI::SetFixedWidth(int cx) {
  cx = ClampGeometry(cx);
  if (cx < 0 || fixedWidth_ == cx) return;
  fixedWidth_ = cx;
  NeedUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  cy = ClampGeometry(cy);
  if (cy < 0 || fixedHeight_ == cy) return;
  fixedHeight_ = cy;
  NeedUpdate();
}

void CControlUI::SetMinWidth(int cx) {
  cx = ClampGeometry(cx);
  if (cx < 0 || minWidth_ == cx) return;
  minWidth_ = cx;
  NeedUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
  cx = ClampGeometry(cx);
  if (cx < 0 || maxWidth_ == cx) return;
  maxWidth_ = cx;
  NeedUpdate();
}

void CControlUI::SetMinHeight(int cy) {
  cy = ClampGeometry(cy);
  if (cy < 0 || minHeight_ == cy) return;
  minHeight_ = cy;
  NeedUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
  cy = ClampGeometry(cy);
  if (cy < 0 || maxHeight_ == cy) return;
  maxHeight_ = cy;
  NeedUpdate();
}

void CControlUI::SetPadding(const UiRect& value) {
  const UiRect padding = ClampGeometry(value);
  if (padding_ == padding) return;
  padding_ = padding;
  NeedUpdate();
}

void CControlUI::SetBkColor(UiColor color) {
  if (bkColor_ == color) return;
  bkColor_ = color;
  Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& image) {
  if (bkImage_ == image) return;
  bkImage_ = image;
  Invalidate();
}

UiSize CControlUI::EstimateSize(UiSize) { return UiSize{fixedWidth_, fixedHeight_}; }

void CControlUI::SetPos(const UiRect& rect) {
  if (rect_ == rect) return;
  Invalidate();
  rect_ = rect;
  Invalidate();
}

void CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"name") {
    SetName(value);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"tooltip") {
    SetToolTip(value);
  } else if (name == L"visible") {
    SetVisible(ParseBool(value));
  } else if (name == L"enabled") {
    SetEnabled(ParseBool(value));
  } else if (name == L"mouse") {
    SetMouseEnabled(ParseBool(value));
  } else if (name == L"width") {
    SetFixedWidth(ParseInt(value));
  } else if (name == L"height") {
    SetFixedHeight(ParseInt(value));
  } else if (name == L"minwidth") {
    SetMinWidth(ParseInt(value));
  } else if (name == L"maxwidth") {
    SetMaxWidth(ParseInt(value));
  } else if (name == L"minheight") {
    SetMinHeight(ParseInt(value));
  } else if (name == L"maxheight") {
    SetMaxHeight(ParseInt(value));
  } else if (name == L"padding") {
    SetPadding(ParseQuad(value));
  } else if (name == L"bkcolor") {
    SetBkColor(ParseColor(value));
  } else if (name == L"bkimage") {
    SetBkImage(value);
  }
}

CControlUI* CControlUI::FindControlAt(UiPoint pt) {
  if (!visible_ || !mouseEnabled_ || !rect_.Contains(pt)) return nullptr;
  return this;
}

void CControlUI::ForEach(const std::function<void(CControlUI&)>& visit) { visit(*this); }

void CControlUI::DoPaint(IRenderer& renderer, const UiRect& paintRect) {
  if (Intersect(paintRect, rect_).IsEmpty()) return;
  renderer.PushClip(rect_);
  PaintBkColor(renderer);
  PaintBkImage(renderer);
  PaintStatusImage(renderer);
  PaintText(renderer);
  PaintBorder(renderer);
  renderer.PopClip();
}

void CControlUI::DoEvent(TEventUI& event) {
  if (event.type == UiEventType::kSetFocus) {
    focused_ = true;
    Invalidate();
  } else if (event.type == UiEventType::kKillFocus) {
    focused_ = false;
    Invalidate();
  }
}

void CControlUI::SetManager(CSkinManagerUI* manager, CControlUI* parent) {
  manager_ = manager;
  parent_ = parent;
}

void CControlUI::Invalidate() {
  if (manager_ && visible_ && !rect_.IsEmpty()) manager_->Invalidate(rect_);
}

void CControlUI::NeedUpdate() {
  if (manager_) manager_->NeedUpdate();
}

void CControlUI::PaintBkColor(IRenderer& renderer) {
  if (bkColor_ != 0) renderer.FillRect(rect_, bkColor_);
}

void CControlUI::PaintBkImage(IRenderer& renderer) {
  if (!bkImage_.empty()) DrawImage(renderer, bkImage_, rect_);
}

void CControlUI::PaintStatusImage(IRenderer&) {}
void CControlUI::PaintText(IRenderer&) {}
void CControlUI::PaintBorder(IRenderer&) {}

bool CControlUI::DrawImage(IRenderer& renderer, const std::wstring& image, const UiRect& dest) {
  if (image.empty() || !manager_) return false;
  const SkinImage* decoded = manager_->GetImage(image);
  return decoded && renderer.DrawImage(dest, *decoded);
}

}  // namespace SkinUI
