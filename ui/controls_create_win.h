// Creating the window's controls from the layout, and finding a control again from a window handle.
#pragma once

#include <windows.h>

#include "ui/window_context_win.h"

namespace lumvo {

void RegisterControlClasses(HINSTANCE instance);
// All controls in the order of Ctl, children of the main window or of the page 图片框_正常页.
bool CreateControls(WindowContext& ctx);
// The control that is `hwnd` or holds it (the edit box inside the combo box); Ctl::kCount for none.
Ctl CtlOfWindow(const WindowContext& ctx, HWND hwnd);

}  // namespace lumvo
