#include "core/interval.h"

#include "core/tick.h"
#include "core/time_fetch.h"

namespace lumvo {
namespace {

constexpr uint32_t kIntervalTickMs = 1000;

}  // namespace

void OnIntervalTick(Program& p) {
  if (!StepTextCountdown(p.ui, Ctl::编辑框_间隔秒)) return;
  // Stopped before the fetch, so no tick of this timer can start a second fetch while this one lets
  // messages through; the fetch restarts it at its end while the option is still checked.
  StopIntervalTimer(p);
  AcquireTime(p);
  p.ui.SetText(Ctl::编辑框_间隔秒, p.state.SavedIntervalText);
}

void StartIntervalTimer(Program& p) { p.intervalTimer.SetPeriod(kIntervalTickMs); }
void StopIntervalTimer(Program& p) { p.intervalTimer.SetPeriod(0); }

}  // namespace lumvo
