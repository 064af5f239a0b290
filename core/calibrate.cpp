#include "core/calibrate.h"

namespace lumvo {
namespace {

constexpr char kSuccessText[] = "校时完成 ！";
constexpr char kFailureText[] =
    "            【时间修改失败】\r\n"
    "1.检查是否有杀毒或防火墙之类的软件禁止了时间的修改！\r\n"
    "2.关闭所有正在运行的软件在试一次！\r\n"
    "3.请检查是否有权限修改本机时间！";
constexpr int kNoIcon = -1;
constexpr double kAnchorFromRight = 30;
constexpr double kAnchorFromBottom = 25;

}  // namespace

CivilTime ToSystemTime(DateTime t) {
  if (t.seconds < MinDateTime().seconds) t = MinDateTime();
  if (t.seconds > MaxDateTime().seconds) t = MaxDateTime();
  return SplitDateTime(t);
}

void Calibrate(Program& p) {
  const bool ok = p.clock.SetLocalTime(ToSystemTime(p.state.StandardTime));
  // Near the notification area of a taskbar at the bottom of the primary screen.
  const int x = static_cast<int>(p.window.ScreenWidth() - kAnchorFromRight);
  const int y = static_cast<int>(p.window.ScreenHeight() - kAnchorFromBottom);
  // Written before every show: a success tip after a failure tip must close by itself again, while the
  // failure tip stays until the user has read it.
  p.tip.SetStaysOpen(!ok);
  p.tip.Show(x, y, ok ? kSuccessText : kFailureText, kNoIcon, true);
  if (ok && p.ui.Checked(Ctl::选择框_自动退出)) p.state.ExitArmed = 1;
}

}  // namespace lumvo
