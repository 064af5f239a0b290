#include "core/time_fetch.h"

#include "core/calibrate.h"
#include "core/interval.h"
#include "core/server_query.h"
#include "core/wait.h"

namespace lumvo {
namespace {

constexpr char kSearchingText[] = "正在查找时间服务器......";
constexpr char kAllFailedText[] = "时间服务器连接失败......";
constexpr char kOfflineText[] = "未连接网络......";
constexpr int kOfflinePauseMs = 1000;
constexpr int kBetweenAttemptsPauseMs = 1;

// A handler run during a pause may have emptied or shortened the list since it was counted.
std::string ListEntry(Controls& ui, int index) {
  return index >= 0 && index < ui.ComboCount() ? ui.ComboItem(index) : std::string();
}

bool AskServers(Program& p) {
  Controls& ui = p.ui;
  const int n = ui.ComboCount();
  for (int attempt = 1; attempt <= n + 1; ++attempt) {
    // The first attempt asks what the combo shows (possibly typed by the user); later ones walk the
    // list and show each server while it is asked, so the user sees the fail-over.
    if (attempt >= 2) ui.SetText(Ctl::组合框1, ListEntry(ui, attempt - 2));
    const std::string server = ui.Text(Ctl::组合框1);
    p.state.CurrentServer = server;
    PauseWithDispatch(p.pump, p.clock, kBetweenAttemptsPauseMs);
    // A fetch run inside the pause leaves its own last server in CurrentServer; this attempt still asks
    // the server it showed.
    p.state.CurrentServer = server;
    if (FetchServerTime(p.http, p.clock, server, p.state.StandardTime)) {
      ui.SetText(Ctl::编辑框_服务器时间, FormatDateTime(p.state.StandardTime));
      ui.Enable(Ctl::图形按钮_获取时间, true);
      ui.Enable(Ctl::图形按钮_开始校准, true);
      p.state.HaveServerTime = 1;
      if (ui.Checked(Ctl::选择框_自动校准) || ui.Checked(Ctl::选择框_间隔校时)) Calibrate(p);
      return true;
    }
    if (!ui.Checked(Ctl::选择框_自动尝试下一服务器)) return false;
    p.pump.DispatchPending();
    PauseWithDispatch(p.pump, p.clock, kBetweenAttemptsPauseMs);
  }
  return false;
}

}  // namespace

void AcquireTime(Program& p) {
  Controls& ui = p.ui;
  ui.SetText(Ctl::编辑框_服务器时间, kSearchingText);
  if (p.network.InternetGetConnectedState() != 1) {
    // Off line the held time and the buttons stay as they were; the next tick shows the time again.
    PauseWithDispatch(p.pump, p.clock, kOfflinePauseMs);
    ui.SetText(Ctl::编辑框_服务器时间, kOfflineText);
  } else {
    p.state.HaveServerTime = 0;
    ui.Enable(Ctl::图形按钮_获取时间, false);
    ui.Enable(Ctl::图形按钮_开始校准, false);
    AskServers(p);
    // Read the shared flag, not the local outcome: a fetch run inside one of the pauses may have
    // succeeded, and its time is then held and shown.
    if (p.state.HaveServerTime == 0) {
      ui.SetText(Ctl::编辑框_服务器时间, kAllFailedText);
      ui.Enable(Ctl::图形按钮_获取时间, true);
    }
  }
  if (ui.Checked(Ctl::选择框_间隔校时)) StartIntervalTimer(p);
}

void OnTryNextServerClick(Program& p) { p.ui.Focus(Ctl::图形按钮_获取时间); }

}  // namespace lumvo
