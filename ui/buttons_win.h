// Picture buttons and check boxes. Picture buttons are owner-drawn push buttons (the hover image is the
// program's own); check boxes stay real check boxes (their state, clicks, keys and BM_CLICK are the
// system's, and tools that read the window see check boxes) whose every pixel the program paints.
#pragma once

#include <windows.h>

#include "ui/window_context_win.h"

namespace lumvo {

struct ControlLayout;

// The normal image's resource number; hover, pressed and disabled follow it. Title-bar buttons have
// no disabled image.
HWND CreatePictureButton(HWND parent, const ControlLayout& layout, ControlState& state, int firstImage,
                         bool hasDisabledImage, HINSTANCE instance);
// An automatic check box: a click toggles it before its parent hears of the click, BM_SETCHECK from code
// raises no click.
HWND CreateCheckBox(HWND parent, const ControlLayout& layout, ControlState& state, HINSTANCE instance);

void DrawPictureButton(const DRAWITEMSTRUCT& item, const ControlState& state);

}  // namespace lumvo
