#include "updater/corner_placement.h"

ScreenPoint BottomRightCorner(const ScreenRect& workArea, const ScreenRect& window) {
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  return ScreenPoint{workArea.right - width, workArea.bottom - height};
}
