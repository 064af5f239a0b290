// Stand-ins for the interval timer and the window parking, so these tests link before the real ones are
// in this branch. They do what the real operations promise; delete this file once both exist.
#include "core/interval.h"
#include "ui/tray.h"

namespace lumvo {

void StartIntervalTimer(Program& p) { p.intervalTimer.SetPeriod(1000); }
void StopIntervalTimer(Program& p) { p.intervalTimer.SetPeriod(0); }

void ParkWindow(Program& p) {
  p.state.SavedWindowPos = {p.window.Left(), p.window.Top()};
  p.window.SetLeft(kParkedPosition);
  p.window.SetTop(kParkedPosition);
  p.state.WindowHidden = 1;
}

}  // namespace lumvo
