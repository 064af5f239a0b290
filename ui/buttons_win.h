// Picture buttons and check boxes: owner-drawn buttons, so the program decides every pixel (the hover
// image, the flat check box) while Windows keeps the clicks, the keyboard and BM_CLICK.
#pragma once

#include <windows.h>

#include "ui/window_context_win.h"

namespace lumvo {

struct ControlLayout;

// The normal image's resource number; hover, pressed and disabled follow it. Title-bar buttons have
// no disabled image.
HWND CreatePictureButton(HWND parent, const ControlLayout& layout, ControlState& state, int firstImage,
                         bool hasDisabledImage, HINSTANCE instance);
// BM_GETCHECK and BM_SETCHECK work on it as on a standard check box; setting the state raises no click.
HWND CreateCheckBox(HWND parent, const ControlLayout& layout, ControlState& state, HINSTANCE instance);

void DrawPictureButton(const DRAWITEMSTRUCT& item, const ControlState& state);
void DrawCheckBox(const DRAWITEMSTRUCT& item, const ControlState& state, const WindowContext& ctx);

}  // namespace lumvo
