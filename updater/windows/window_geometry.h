#pragma once
// Placement rules of the updater's windows, kept apart from Win32 so that
// they are tested natively: centring on the owner, widening the updater
// window to the left. (The drag band is the framework's, skinui/caption_band.h.)

#include "skinui/ui_types.h"

namespace updater_ui {

struct CentringInput {
  SkinUI::UiRect window;  // the window's current rectangle (its size counts)
  bool hasOwner = false;
  bool ownerMinimised = false;
  SkinUI::UiRect ownerRect;  // the owner's window rectangle when there is one
  SkinUI::UiRect workArea;   // of the monitor nearest to the owner (or the window)
};

// The top-left corner that centres the window on its owner, or on the work
// area when there is no owner or the owner is minimised, then pulls it back
// inside the work area (left and top edges win when it does not fit).
SkinUI::UiPoint CenteredPosition(const CentringInput& input);

// The rectangle `window` takes when it is widened (or narrowed) to `width`,
// keeping its right edge, top and height.
SkinUI::UiRect WidenedToLeft(const SkinUI::UiRect& window, int width);

}  // namespace updater_ui
