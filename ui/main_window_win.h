// The one main window: a borderless 280 x 366 pop-up owned by a hidden window (so it has no taskbar
// button), with its frame picture, its controls from the layout and its three timers.
#pragma once

#include "ui/window_context_win.h"

namespace lumvo {

// Creates the hidden owner and the main window, centred on the primary screen. The controls exist and
// InitialiseMainWindow has run (inside WM_CREATE) when this returns; then the window is shown.
// `ctx.program` must be set. False when the window could not be created.
bool CreateMainWindow(WindowContext& ctx);

// Called from the message loop and every nested dispatch before a message is handled.
void WatchMessage(WindowContext& ctx, const MSG& msg);

}  // namespace lumvo
