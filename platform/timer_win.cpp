#include "platform/timer_win.h"

namespace lumvo {

void WinTimer::Bind(HWND hwnd) {
  hwnd_ = hwnd;
  if (period_) SetTimer(hwnd_, id_, period_, nullptr);
}

void WinTimer::SetPeriod(uint32_t ms) {
  if (ms == period_) return;
  period_ = ms;
  if (!hwnd_) return;
  if (ms) {
    SetTimer(hwnd_, id_, ms, nullptr);
  } else {
    KillTimer(hwnd_, id_);
  }
}

}  // namespace lumvo
