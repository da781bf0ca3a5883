#include "skinui/box_layout.h"

#include <algorithm>

#include "skinui/control.h"

namespace SkinUI {

namespace {

// A child's sizes and margins seen along the primary axis (main) and across it (cross).
struct AxisView {
  int desiredMain;
  int fixedCross;
  int minMain, maxMain, minCross, maxCross;
  int padBefore, padAfter;            // primary axis
  int padCrossBefore, padCrossAfter;  // secondary axis
};

AxisView ViewOf(CControlUI& child, BoxAxis axis, const UiRect& content) {
  const UiSize size = child.EstimateSize(UiSize{content.Width(), content.Height()});
  const UiRect& p = child.GetPadding();
  if (axis == BoxAxis::kHorizontal) {
    return {size.cx,
            child.GetFixedHeight(),
            child.GetMinWidth(),
            child.GetMaxWidth(),
            child.GetMinHeight(),
            child.GetMaxHeight(),
            p.left,
            p.right,
            p.top,
            p.bottom};
  }
  return {size.cy,
          child.GetFixedWidth(),
          child.GetMinHeight(),
          child.GetMaxHeight(),
          child.GetMinWidth(),
          child.GetMaxWidth(),
          p.top,
          p.bottom,
          p.left,
          p.right};
}

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

using Wide = long long;  // sums over many children stay exact

int ToCoordinate(Wide v) {
  constexpr Wide kLimit = 1 << 30;
  return static_cast<int>(std::max(-kLimit, std::min(v, kLimit)));
}

struct Plan {
  Wide fixed = 0;       // space taken by fixed sizes, paddings and spacing
  int adjustables = 0;  // children whose size the layout chooses
};

// First pass: how much of the primary axis is already spoken for, and by how many
// children the rest is shared.
Plan MeasureFixed(BoxAxis axis, const UiRect& content, int spacing, const std::vector<CControlUI*>& visible) {
  Plan plan;
  for (CControlUI* child : visible) {
    const AxisView v = ViewOf(*child, axis, content);
    if (v.desiredMain == 0) {
      ++plan.adjustables;
    } else {
      plan.fixed += Clamp(v.desiredMain, v.minMain, v.maxMain);
    }
    plan.fixed += Wide{v.padBefore} + v.padAfter;
  }
  if (!visible.empty()) plan.fixed += Wide{spacing} * static_cast<Wide>(visible.size() - 1);
  return plan;
}

// The child's rectangle from its primary-axis start/length and the content box.
UiRect Place(BoxAxis axis, const UiRect& content, const AxisView& v, Wide startWide, int length) {
  const int start = ToCoordinate(startWide);
  const int crossSpace = axis == BoxAxis::kHorizontal ? content.Height() : content.Width();
  int cross = v.fixedCross;
  if (cross == 0) cross = std::max(0, crossSpace - v.padCrossBefore - v.padCrossAfter);
  cross = Clamp(cross, v.minCross, v.maxCross);
  if (axis == BoxAxis::kHorizontal) {
    const int top = content.top + v.padCrossBefore;
    return UiRect{start, top, ToCoordinate(Wide{start} + length), ToCoordinate(Wide{top} + cross)};
  }
  const int left = content.left + v.padCrossBefore;
  return UiRect{left, start, ToCoordinate(Wide{left} + cross), ToCoordinate(Wide{start} + length)};
}

}  // namespace

void LayoutBox(BoxAxis axis, const UiRect& content, int spacing, const std::vector<CControlUI*>& children) {
  std::vector<CControlUI*> visible;
  for (CControlUI* child : children) {
    if (child->IsVisible()) visible.push_back(child);
  }
  const int extent = axis == BoxAxis::kHorizontal ? content.Width() : content.Height();
  const Plan plan = MeasureFixed(axis, content, spacing, visible);
  const int share =
      plan.adjustables ? ToCoordinate(std::max<Wide>(0, (extent - plan.fixed) / plan.adjustables)) : 0;

  // Second pass: place the children one after another. The last adjustable child
  // takes what remains less the fixed space still counted against the row, so
  // rounding losses of the shares end up in it. Only fixed children's own
  // lengths are taken off that fixed space; paddings and spacing stay counted
  // in it to the end, which is the arithmetic the shipped skins are drawn for.
  Wide pos = axis == BoxAxis::kHorizontal ? content.left : content.top;
  Wide remaining = extent;
  Wide fixedLeft = plan.fixed;
  int adjustableSeen = 0;
  for (CControlUI* child : visible) {
    const AxisView v = ViewOf(*child, axis, content);
    remaining -= v.padBefore;
    int length = 0;
    if (v.desiredMain == 0) {
      ++adjustableSeen;
      length = share;
      if (adjustableSeen == plan.adjustables) {
        length = ToCoordinate(std::max<Wide>(0, remaining - v.padAfter - fixedLeft));
      }
      length = Clamp(length, v.minMain, v.maxMain);
    } else {
      length = Clamp(v.desiredMain, v.minMain, v.maxMain);
      fixedLeft -= length;
    }
    child->SetPos(Place(axis, content, v, pos + v.padBefore, length));
    pos += Wide{length} + spacing + v.padBefore + v.padAfter;
    remaining -= Wide{length} + spacing + v.padAfter;
  }
}

}  // namespace SkinUI
