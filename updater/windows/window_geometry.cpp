#include "updater/windows/window_geometry.h"

namespace updater_ui {

namespace {

// One axis: centred on [refLow, refHigh], then kept inside [workLow, workHigh].
int PlaceOnAxis(int refLow, int refHigh, int size, int workLow, int workHigh) {
  int pos = (refLow + refHigh) / 2 - size / 2;
  if (pos < workLow) {
    pos = workLow;
  } else if (pos + size > workHigh) {
    pos = workHigh - size;
  }
  return pos;
}

}  // namespace

SkinUI::UiPoint CenteredPosition(const CentringInput& input) {
  const bool onOwner = input.hasOwner && !input.ownerMinimised;
  const SkinUI::UiRect& ref = onOwner ? input.ownerRect : input.workArea;
  const SkinUI::UiRect& work = input.workArea;
  SkinUI::UiPoint pos;
  pos.x = PlaceOnAxis(ref.left, ref.right, input.window.Width(), work.left, work.right);
  pos.y = PlaceOnAxis(ref.top, ref.bottom, input.window.Height(), work.top, work.bottom);
  return pos;
}

SkinUI::UiRect WidenedToLeft(const SkinUI::UiRect& window, int width) {
  return SkinUI::UiRect{window.right - width, window.top, window.right, window.bottom};
}

}  // namespace updater_ui
