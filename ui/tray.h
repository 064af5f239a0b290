// The tray icon's mouse events and parking the window off-screen.
#pragma once

#include <cstdint>

#include "core/program.h"

namespace lumvo {

constexpr uint32_t kTrayMessage = 32868;
constexpr uint32_t kTrayIconId = 100;
constexpr int kParkedPosition = -3200;

// 1 left button released, 2 double click, 3 right button released or context menu, 0 nothing.
int TrayEventFromMouse(uint32_t mouseMessage);
void OnTrayEvent(Program& p, int type);
void ParkWindow(Program& p);
void UnparkWindow(Program& p);

}  // namespace lumvo
