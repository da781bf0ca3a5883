#include "skinui/container.h"

#include <utility>

#include "skinui/value_syntax.h"

namespace SkinUI {

const wchar_t* CContainerUI::GetClass() const { return L"ContainerUI"; }

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[static_cast<std::size_t>(index)].get();
}

int CContainerUI::GetCount() const { return static_cast<int>(items_.size()); }

CControlUI* CContainerUI::Add(std::unique_ptr<CControlUI> control) {
  if (!control) return nullptr;
  control->SetManager(GetManager(), this);
  items_.push_back(std::move(control));
  NeedUpdate();
  return items_.back().get();
}

void CContainerUI::SetInset(const UiRect& value) {
  const UiRect inset = ClampGeometry(value);
  if (inset_ == inset) return;
  inset_ = inset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int value) {
  const int padding = ClampGeometry(value);
  if (childPadding_ == padding) return;
  childPadding_ = padding;
  NeedUpdate();
}

UiRect CContainerUI::ContentRect() const {
  UiRect r{rect_.left + inset_.left, rect_.top + inset_.top, rect_.right - inset_.right,
           rect_.bottom - inset_.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void CContainerUI::SetPos(const UiRect& rect) {
  CControlUI::SetPos(rect);
  const UiRect content = ContentRect();
  for (auto& item : items_) {
    if (item->IsVisible()) item->SetPos(content);
  }
}

void CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"inset") {
    SetInset(ParseQuad(value));
  } else if (name == L"childpadding") {
    SetChildPadding(ParseInt(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

CControlUI* CContainerUI::FindControlAt(UiPoint pt) {
  if (!IsVisible() || !GetPos().Contains(pt)) return nullptr;
  // Later children are painted over earlier ones, so they are hit first.
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (CControlUI* hit = (*it)->FindControlAt(pt)) return hit;
  }
  return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::ForEach(const std::function<void(CControlUI&)>& visit) {
  visit(*this);
  for (auto& item : items_) item->ForEach(visit);
}

void CContainerUI::DoPaint(IRenderer& renderer, const UiRect& paintRect) {
  const UiRect area = Intersect(paintRect, rect_);
  if (area.IsEmpty()) return;
  CControlUI::DoPaint(renderer, area);
  renderer.PushClip(rect_);
  for (auto& item : items_) {
    if (item->IsVisible()) item->DoPaint(renderer, area);
  }
  renderer.PopClip();
}

void CContainerUI::SetManager(CSkinManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (auto& item : items_) item->SetManager(manager, this);
}

}  // namespace SkinUI
