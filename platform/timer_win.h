// A window timer (SetTimer) behind the Timer seam.
#pragma once

#include <windows.h>

#include "core/ports.h"

namespace lumvo {

class WinTimer : public Timer {
 public:
  WinTimer(UINT_PTR id, uint32_t period) : id_(id), period_(period) {}
  WinTimer(const WinTimer&) = delete;
  WinTimer& operator=(const WinTimer&) = delete;

  // The window whose WM_TIMER carries this timer's id. A period set before starts counting now.
  void Bind(HWND hwnd);
  // SetTimer with an id that already runs would restart its count, so the period it already has is
  // left alone: the interval countdown goes on with its current second.
  void SetPeriod(uint32_t ms) override;
  uint32_t Period() const override { return period_; }
  UINT_PTR Id() const { return id_; }

 private:
  HWND hwnd_ = nullptr;
  UINT_PTR id_;
  uint32_t period_;
};

}  // namespace lumvo
