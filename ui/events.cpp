#include "ui/events.h"

#include "core/calibrate.h"
#include "core/time_fetch.h"
#include "settings/autostart.h"
#include "settings/options.h"
#include "ui/layout.h"
#include "ui/tray.h"

namespace lumvo {

void OnControlClicked(Program& p, Ctl c) {
  switch (c) {
    case Ctl::图形按钮_获取时间:
      AcquireTime(p);
      break;
    case Ctl::图形按钮_开始校准:
      Calibrate(p);
      break;
    case Ctl::设置按钮:
      p.window.ShowMainMenu();
      break;
    case Ctl::图形按钮_最小化:
      ParkWindow(p);
      break;
    case Ctl::图形按钮_关闭:
      p.window.CloseMainWindow();
      break;
    case Ctl::选择框_自动尝试下一服务器:
      OnTryNextServerClick(p);
      break;
    case Ctl::选择框_间隔校时:
      OnIntervalClick(p);
      break;
    case Ctl::选择框_自动校准:
      OnAutoCalibrateClick(p);
      break;
    case Ctl::选择框_自动退出:
      OnAutoExitClick(p);
      break;
    case Ctl::选择框_开机后自动启动:
      OnAutoStartClick(p);
      break;
    case Ctl::选择框_启动后隐藏:
      OnHideClick(p);
      break;
    default:
      break;
  }
}

void OnMenuCommand(Program& p, int command) {
  for (const MenuItem& item : kMainMenu) {
    if (item.command != command || item.action == MenuAction::kSeparator) continue;
    if (item.action == MenuAction::kExit) {
      p.window.CloseMainWindow();
    } else {
      p.shell.OpenWebPage(item.address);
    }
    return;
  }
}

void OnFooterClicked(Program& p) {
  // One read: the notice thread may replace the address at any moment, and the click must use one whole
  // value. An empty address would make the shell open a folder window, so it opens nothing.
  const std::string address = p.state.FooterUrl.Get();
  if (!address.empty()) p.shell.OpenWebPage(address);
}

}  // namespace lumvo
