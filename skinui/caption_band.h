#pragma once
// The drag band of a skinned, frameless window: the part of the skin's
// `caption` rectangle where a press moves the window instead of reaching a control.

#include "skinui/ui_types.h"

namespace SkinUI {

// Whether a point (client coordinates) drags the window: it lies in the
// caption band (x from band.left to clientWidth - band.right, y from band.top
// to band.bottom) and the topmost control under it, of class `controlClass`
// (null when there is none), is no button, option or text control.
bool IsCaptionDragPoint(const UiRect& band, int clientWidth, UiPoint pt, const wchar_t* controlClass);

}  // namespace SkinUI
