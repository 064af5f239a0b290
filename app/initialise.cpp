#include "app/initialise.h"

#include "settings/autostart.h"
#include "settings/options.h"
#include "ui/clock_face.h"
#include "ui/layout.h"

namespace lumvo {

// The order matters: the hide option parks the window before anything is drawn, the options come back
// before AutoCalibrationDone is decided from them, and the clock's centre is known before its first
// drawing. Nothing here lets messages through, so no tick or click runs before the last step.
void InitialiseMainWindow(Program& p) {
  AppState& s = p.state;
  RestoreHideOption(p);
  p.window.ApplyFlatControlLook();
  p.window.RoundWindowCorners(kCornerSize);
  RefreshAutoStartBox(p);
  RestoreServerChoice(p);
  RestoreSyncOptions(p);
  s.HaveServerTime = 0;
  p.ui.Enable(Ctl::图形按钮_开始校准, false);
  p.window.SetTrayIcon();
  if (!p.ui.Checked(Ctl::选择框_自动校准)) s.AutoCalibrationDone = 1;
  s.ExitCountdown = 3;
  p.ui.SetText(Ctl::编辑框_系统时间, FormatDateTime(p.clock.LocalNow()));
  // Integer halves cut toward zero, as the clock face's geometry expects.
  s.ClockCentre = Point{p.ui.Width(Ctl::画板1) / 2, p.ui.Height(Ctl::画板1) / 2};
  DrawClockFace(p);
  p.ui.Focus(Ctl::图形按钮_获取时间);
  s.FooterUrl.Set(kDefaultFooterUrl);
}

void ExitCleanup(AppState& state) {
  state.CurrentServer.clear();
  state.CurrentServer.shrink_to_fit();
  state.SavedIntervalText.clear();
  state.SavedIntervalText.shrink_to_fit();
  state.FooterUrl.Set(std::string());
}

}  // namespace lumvo
