#pragma once
// Where the updater window goes: its bottom-right corner on the bottom-right
// corner of the work area, whichever edge the task bar takes.

struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// The top-left corner (screen coordinates) for a window of the size of
// `window` in `workArea`. The work area's own left and top count, so a task
// bar on the left or at the top does not leave the window short of the corner.
ScreenPoint BottomRightCorner(const ScreenRect& workArea, const ScreenRect& window);
