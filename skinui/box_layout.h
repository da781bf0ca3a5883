#pragma once
// The box-layout algorithm shared by the vertical and horizontal layouts,
// written in terms of a primary axis (where children follow one another) and a
// secondary axis (across).

#include <vector>

#include "skinui/ui_types.h"

namespace SkinUI {

class CControlUI;

enum class BoxAxis { kHorizontal, kVertical };

// Places `children` (hidden ones are skipped) inside `content`, with
// `spacing` pixels between neighbours.
void LayoutBox(BoxAxis axis, const UiRect& content, int spacing, const std::vector<CControlUI*>& children);

}  // namespace SkinUI
