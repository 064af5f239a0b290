// Edit boxes and the server combo box, with the flat look drawn over the system's edges.
#pragma once

#include <windows.h>

#include "ui/window_context_win.h"

namespace lumvo {

struct ControlLayout;

// Single line, centred, no length limit; a number box refuses typed characters other than digits and
// "-" (control keys pass; pasted text is not checked).
HWND CreateEditBox(HWND parent, const ControlLayout& layout, WindowContext& ctx);
// Editable drop-down list, not sorted, no length limit, with the default servers, the first one shown.
HWND CreateServerCombo(HWND parent, const ControlLayout& layout, WindowContext& ctx);

}  // namespace lumvo
