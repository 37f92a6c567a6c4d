#pragma once
// The tick boxes of a grid's tick column, drawn as the list view's state
// images: one image as wide as the column and as tall as a row, the box
// centred in it, so the box stands in the middle of its cell and a click
// anywhere in the cell lands on it.

#include "platform/win32/windows_api.h"

#include <commctrl.h>

namespace vexo::toolkit::win32 {

// A state-image list for a tick column of `width` × `height` pixels: a clear
// box, then a ticked one (state images 1 and 2), on a transparent ground
// so the row's own colour shows through. The box takes the window's visual
// style when it has one. Null when the system refuses the images.
HIMAGELIST CreateTickBoxImages(HWND list, int width, int height);

} // namespace vexo::toolkit::win32
