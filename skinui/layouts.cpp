#include "skinui/layouts.h"

#include <vector>

#include "skinui/box_layout.h"

namespace SkinUI {

namespace {

std::vector<CControlUI*> Children(const CContainerUI& box) {
  std::vector<CControlUI*> items;
  for (int i = 0; i < box.GetCount(); ++i) items.push_back(box.GetItemAt(i));
  return items;
}

}  // namespace

const wchar_t* CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

void CVerticalLayoutUI::SetPos(const UiRect& rect) {
  CControlUI::SetPos(rect);
  LayoutBox(BoxAxis::kVertical, ContentRect(), GetChildPadding(), Children(*this));
}

const wchar_t* CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

void CHorizontalLayoutUI::SetPos(const UiRect& rect) {
  CControlUI::SetPos(rect);
  LayoutBox(BoxAxis::kHorizontal, ContentRect(), GetChildPadding(), Children(*this));
}

}  // namespace SkinUI
