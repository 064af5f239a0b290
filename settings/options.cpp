#include "settings/options.h"

#include <string>

#include "core/interval.h"
#include "ui/tray.h"

namespace lumvo {

namespace {

constexpr const char* kSection = "自动校时";
constexpr const char* kYes = "是";
constexpr const char* kNo = "否";

// Keys of the section above.
constexpr const char* kAutoExitKey = "自动退出";
constexpr const char* kIntervalKey = "是否间隔";
constexpr const char* kAutoCalibrateKey = "是否自动";
constexpr const char* kDelaySecondsKey = "秒";
constexpr const char* kIntervalSecondsKey = "间隔秒";
constexpr const char* kHideKey = "隐藏";

constexpr const char* kServerSection = "lx";
constexpr const char* kServerKey = "fuwuqi";

void Write(Program& p, const char* key, std::string_view value) { p.settings.WriteSetting(kSection, key, value); }

// Only the exact bytes of "是" switch an option on: "1", "yes", or the word saved in another encoding
// leave it off.
bool ReadOption(Program& p, const char* key) { return p.settings.ReadSetting(kSection, key, kNo) == kYes; }

// The exit and the delayed-calibration options exclude the interval option. Its running countdown is
// left alone on purpose: it runs out once more and its fetch does not start another.
void ClearIntervalOption(Program& p) {
  p.ui.SetChecked(Ctl::选择框_间隔校时, false);
  p.ui.Enable(Ctl::编辑框_间隔秒, true);
  Write(p, kIntervalKey, kNo);
}

}  // namespace

void OnAutoExitClick(Program& p) {
  if (p.ui.Checked(Ctl::选择框_自动退出)) {
    Write(p, kAutoExitKey, kYes);
    ClearIntervalOption(p);
  } else {
    Write(p, kAutoExitKey, kNo);
  }
  p.ui.Focus(Ctl::图形按钮_获取时间);
}

void OnAutoCalibrateClick(Program& p) {
  if (p.ui.Checked(Ctl::选择框_自动校准)) {
    Write(p, kAutoCalibrateKey, kYes);
    Write(p, kDelaySecondsKey, p.ui.Text(Ctl::编辑框_延迟秒));
    p.ui.Enable(Ctl::编辑框_延迟秒, false);
    ClearIntervalOption(p);
  } else {
    p.ui.Enable(Ctl::编辑框_延迟秒, true);
    Write(p, kAutoCalibrateKey, kNo);
    // A countdown that was suspended may have left any number in the field: show the saved delay again.
    p.ui.SetText(Ctl::编辑框_延迟秒, p.settings.ReadSetting(kSection, kDelaySecondsKey, "60"));
  }
  p.ui.Focus(Ctl::图形按钮_获取时间);
}

void OnIntervalClick(Program& p) {
  if (p.ui.Checked(Ctl::选择框_间隔校时)) {
    const std::string seconds = p.ui.Text(Ctl::编辑框_间隔秒);
    Write(p, kIntervalKey, kYes);
    Write(p, kIntervalSecondsKey, seconds);
    p.state.SavedIntervalText = seconds;
    if (p.ui.Checked(Ctl::选择框_自动校准)) {
      p.ui.SetChecked(Ctl::选择框_自动校准, false);
      p.ui.Enable(Ctl::编辑框_延迟秒, true);
      Write(p, kAutoCalibrateKey, kNo);
    }
    if (p.ui.Checked(Ctl::选择框_自动退出)) {
      p.ui.SetChecked(Ctl::选择框_自动退出, false);
      Write(p, kAutoExitKey, kNo);
    }
    // The field is the countdown from now on; the user must not type into it.
    p.ui.Enable(Ctl::编辑框_间隔秒, false);
    StartIntervalTimer(p);
  } else {
    StopIntervalTimer(p);
    Write(p, kIntervalKey, kNo);
    p.ui.Enable(Ctl::编辑框_间隔秒, true);
    p.ui.SetText(Ctl::编辑框_间隔秒, p.state.SavedIntervalText);
  }
  p.ui.Focus(Ctl::图形按钮_获取时间);
}

// Takes effect at the next start only; the window stays where it is.
void OnHideClick(Program& p) {
  Write(p, kHideKey, p.ui.Checked(Ctl::选择框_启动后隐藏) ? kYes : kNo);
  p.ui.Focus(Ctl::图形按钮_获取时间);
}

// Written at every focus loss, changed or not; the servers the fail-over shows in the box while it
// tries them are saved only here, when the user leaves the box.
void OnServerComboFocusLost(Program& p) {
  p.settings.WriteSetting(kServerSection, kServerKey, p.ui.Text(Ctl::组合框1));
}

void RestoreHideOption(Program& p) {
  if (p.settings.ReadSetting(kSection, kHideKey, kNo) != kYes) return;
  ParkWindow(p);
  p.ui.SetChecked(Ctl::选择框_启动后隐藏, true);
}

void RestoreServerChoice(Program& p) {
  const std::string formText = p.ui.Text(Ctl::组合框1);
  p.ui.SetText(Ctl::组合框1, p.settings.ReadSetting(kServerSection, kServerKey, formText));
}

void RestoreSyncOptions(Program& p) {
  if (ReadOption(p, kIntervalKey)) {
    // The interval option wins: whatever the file says of the other two, they stay off for this run.
    p.ui.SetChecked(Ctl::选择框_间隔校时, true);
    p.ui.Enable(Ctl::编辑框_间隔秒, false);
    p.ui.SetText(Ctl::编辑框_间隔秒, p.settings.ReadSetting(kSection, kIntervalSecondsKey, "20"));
    p.state.SavedIntervalText = p.ui.Text(Ctl::编辑框_间隔秒);
    StartIntervalTimer(p);
    return;
  }
  if (ReadOption(p, kAutoCalibrateKey)) {
    p.ui.SetText(Ctl::编辑框_延迟秒, p.settings.ReadSetting(kSection, kDelaySecondsKey, "60"));
    p.ui.Enable(Ctl::编辑框_延迟秒, false);
    p.ui.SetChecked(Ctl::选择框_自动校准, true);
  }
  if (ReadOption(p, kAutoExitKey)) p.ui.SetChecked(Ctl::选择框_自动退出, true);
}

}  // namespace lumvo
