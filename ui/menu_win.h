// The pop-up menu "右键", drawn with the window's font and colours (the system's menu font may have no
// Chinese glyphs).
#pragma once

#include <windows.h>

#include "ui/window_context_win.h"

namespace lumvo {

// Opens the menu with its right edge 5 pixels left of the pointer and its top 5 pixels above it; a chosen
// item arrives later as WM_COMMAND with the item's command number.
void ShowPopupMenu(WindowContext& ctx);

// WM_MEASUREITEM and WM_DRAWITEM of the menu's items; false when the message is not about them.
bool MeasureMenuItem(const WindowContext& ctx, MEASUREITEMSTRUCT& item);
bool DrawMenuItem(const WindowContext& ctx, const DRAWITEMSTRUCT& item);

}  // namespace lumvo
