#pragma once
// The two box layouts. Both run one algorithm (box_layout.h) and only choose
// the primary axis.

#include "skinui/container.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;
  void SetPos(const UiRect& rect) override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;
  void SetPos(const UiRect& rect) override;
};

}  // namespace SkinUI
