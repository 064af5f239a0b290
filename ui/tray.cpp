#include "ui/tray.h"

#include "core/wait.h"

namespace lumvo {
namespace {

constexpr uint32_t kLeftButtonUp = 514;      // WM_LBUTTONUP
constexpr uint32_t kLeftButtonDouble = 515;  // WM_LBUTTONDBLCLK
constexpr uint32_t kRightButtonUp = 517;     // WM_RBUTTONUP
constexpr uint32_t kContextMenu = 123;       // WM_CONTEXTMENU
constexpr int kFrontSpellMs = 5;

}  // namespace

int TrayEventFromMouse(uint32_t mouseMessage) {
  switch (mouseMessage) {
    case kLeftButtonUp:
      return 1;
    case kLeftButtonDouble:
      return 2;
    case kRightButtonUp:
    case kContextMenu:
      return 3;
    default:
      return 0;
  }
}

void OnTrayEvent(Program& p, int type) {
  if (type == 1) {
    if (p.state.WindowHidden == 1) {
      UnparkWindow(p);
    } else {
      ParkWindow(p);
    }
  } else if (type == 3) {
    p.window.ShowMainMenu();
  }
}

void ParkWindow(Program& p) {
  // A window that is already parked keeps the place it came from; saving the parking place would leave
  // it off-screen for good.
  if (p.window.Left() != kParkedPosition) p.state.SavedWindowPos = Point{p.window.Left(), p.window.Top()};
  p.window.SetLeft(kParkedPosition);
  p.window.SetTop(kParkedPosition);
  p.state.WindowHidden = 1;
}

void UnparkWindow(Program& p) {
  p.window.SetLeft(p.state.SavedWindowPos.x);
  p.window.SetTop(p.state.SavedWindowPos.y);
  // A short topmost spell brings the window in front of all others without leaving it topmost.
  p.window.SetTopmost(true);
  PauseWithDispatch(p.pump, p.clock, kFrontSpellMs);
  p.window.SetTopmost(false);
  p.state.WindowHidden = 0;
}

}  // namespace lumvo
