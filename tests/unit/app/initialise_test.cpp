#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/initialise.h"
#include "fakes.h"
#include "ui/layout.h"
#include "ui/tray.h"

namespace lumvo::testing {
namespace {

// Everything the start-up asks of the fakes goes into one log, so the order of its steps shows. A few
// entries carry the program state at that moment.
struct Log {
  std::vector<std::string> events;
  const AppState* state = nullptr;  // the program's, once it exists
};

std::string Id(Ctl c) { return std::to_string(ControlId(c)); }

class LoggedControls : public FakeControls {
 public:
  explicit LoggedControls(Log& sink) : log_(sink) {}
  void SetText(Ctl c, std::string_view t) override {
    log_.events.push_back("text " + Id(c) + " " + std::string(t));
    FakeControls::SetText(c, t);
  }
  void SetChecked(Ctl c, bool on) override {
    log_.events.push_back("check " + Id(c) + (on ? " on" : " off"));
    FakeControls::SetChecked(c, on);
  }
  void Enable(Ctl c, bool on) override {
    log_.events.push_back("enable " + Id(c) + (on ? " on" : " off"));
    FakeControls::Enable(c, on);
  }
  void Focus(Ctl c) override {
    log_.events.push_back("focus " + Id(c));
    FakeControls::Focus(c);
  }

 private:
  Log& log_;
};

class LoggedWindow : public FakeWindow {
 public:
  explicit LoggedWindow(Log& sink) : log_(sink) {}
  void SetLeft(int x) override {
    log_.events.push_back("left " + std::to_string(x));
    FakeWindow::SetLeft(x);
  }
  void ApplyFlatControlLook() override {
    log_.events.push_back("flat");
    FakeWindow::ApplyFlatControlLook();
  }
  void RoundWindowCorners(int corner) override {
    log_.events.push_back("round " + std::to_string(corner));
    FakeWindow::RoundWindowCorners(corner);
  }
  void SetTrayIcon() override {
    log_.events.push_back("tray haveServerTime=" + std::to_string(log_.state->HaveServerTime));
    FakeWindow::SetTrayIcon();
  }

 private:
  Log& log_;
};

class LoggedCanvas : public FakeCanvas {
 public:
  explicit LoggedCanvas(Log& sink) : log_(sink) {}
  void Clear() override {
    const Point c = log_.state->ClockCentre;
    log_.events.push_back("clear centre=" + std::to_string(c.x) + "," + std::to_string(c.y));
    FakeCanvas::Clear();
  }

 private:
  Log& log_;
};

class LoggedTimer : public FakeTimer {
 public:
  explicit LoggedTimer(Log& sink) : log_(sink) {}
  void SetPeriod(uint32_t ms) override {
    log_.events.push_back("interval " + std::to_string(ms));
    FakeTimer::SetPeriod(ms);
  }

 private:
  Log& log_;
};

constexpr const char* kStartupValue =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders|Startup";
constexpr const char* kLink = "C:\\Startup\\Lumvo自动校时.lnk";

class InitialiseTest : public ::testing::Test {
 protected:
  Log log;
  LoggedControls ui{log};
  LoggedWindow window{log};
  LoggedCanvas canvas{log};
  FakeClock clock;
  FakeNetwork network;
  FakeHttp http{clock};
  FakePump pump{clock};
  LoggedTimer intervalTimer{log};
  FakeTip tip;
  FakeSettings settings;
  FakeShell shell;
  Program p{AppState{},
            ui,
            window,
            canvas,
            clock,
            network,
            http,
            pump,
            intervalTimer,
            tip,
            settings,
            shell,
            "C:\\Tools\\Lumvo",
            "LumvoTime.exe"};

  InitialiseTest() {
    log.state = &p.state;
    FakeProgram form;  // the controls as the form creates them
    ui.combo = form.ui.combo;
    ui.state = form.ui.state;
    shell.registry[kStartupValue] = {RegistryText::kString, "C:\\Startup"};
  }

  // Position of the first event that starts with `prefix`; -1 when there is none.
  int At(const std::string& prefix) const {
    for (size_t i = 0; i < log.events.size(); ++i) {
      if (log.events[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  std::string Events() const {
    std::string all;
    for (const auto& e : log.events) all += e + "\n";
    return all;
  }
};

TEST_F(InitialiseTest, StepsRunInTheirOrder) {
  settings.values[{"自动校时", "隐藏"}] = "是";
  settings.values[{"lx", "fuwuqi"}] = "http://saved.example";
  settings.values[{"自动校时", "是否自动"}] = "是";
  settings.values[{"自动校时", "秒"}] = "30";
  shell.files[kLink] = "target=...";
  p.state.HaveServerTime = 1;  // as if left over: the start-up must clear it before the tray step

  InitialiseMainWindow(p);

  // One marker per step that leaves a trace, in the order the steps must run.
  const std::vector<std::string> markers = {
      "left -3200",                                                  // hide option: parked
      "check " + Id(Ctl::选择框_启动后隐藏) + " on",                 //   and its box checked
      "flat",                                                        // flat look
      "round 4",                                                     // rounded corners
      "check " + Id(Ctl::选择框_开机后自动启动) + " on",             // log-on box from the shortcut
      "text " + Id(Ctl::组合框1) + " http://saved.example",          // saved server
      "text " + Id(Ctl::编辑框_延迟秒) + " 30",                      // delayed calibration restored
      "check " + Id(Ctl::选择框_自动校准) + " on",                   //
      "enable " + Id(Ctl::图形按钮_开始校准) + " off",               // calibrate button disabled
      "tray haveServerTime=0",                                       // tray icon, after HaveServerTime := 0
      "text " + Id(Ctl::编辑框_系统时间) + " 2026-12-11  09:30:00",  // local time shown
      "clear centre=40,40",                                          // clock drawn around the centre
      "focus " + Id(Ctl::图形按钮_获取时间),                         // focus on the get-time button
  };
  int previous = -1;
  for (const std::string& marker : markers) {
    const int at = At(marker);
    ASSERT_NE(at, -1) << marker << "\n" << Events();
    EXPECT_GT(at, previous) << marker << "\n" << Events();
    previous = at;
  }
  // The focus is the last thing the controls see; the footer address comes after it.
  EXPECT_EQ(log.events.back(), "focus " + Id(Ctl::图形按钮_获取时间)) << Events();
  EXPECT_EQ(p.state.FooterUrl.Get(), kDefaultFooterUrl);
}

TEST_F(InitialiseTest, HiddenStartParksTheWindowAndStillDrawsTheClock) {
  settings.values[{"自动校时", "隐藏"}] = "是";
  InitialiseMainWindow(p);

  EXPECT_EQ(p.state.WindowHidden, 1);
  EXPECT_EQ(window.left, kParkedPosition);
  EXPECT_EQ(p.state.SavedWindowPos.x, 820);  // where the window was created
  EXPECT_EQ(p.state.SavedWindowPos.y, 357);
  EXPECT_TRUE(ui.state[Ctl::选择框_启动后隐藏].checked);
  EXPECT_EQ(window.trayAdds, 1);
  EXPECT_EQ(std::count(canvas.ops.begin(), canvas.ops.end(), "clear"), 1);
}

TEST_F(InitialiseTest, FreshStartGivesTheInitialState) {
  // Values a previous use of the state might have left; the start-up sets each of them.
  p.state.HaveServerTime = 1;
  p.state.ExitCountdown = -7;
  clock.now = MakeDateTime(2015, 11, 18, 9, 5, 7);

  InitialiseMainWindow(p);

  EXPECT_EQ(p.state.HaveServerTime, 0);
  EXPECT_EQ(p.state.StandardTime, DateTime{});
  EXPECT_EQ(p.state.AutoCalibrationDone, 1);  // no delayed calibration wanted
  EXPECT_EQ(p.state.ExitArmed, 0);
  EXPECT_EQ(p.state.ExitCountdown, 3);
  EXPECT_EQ(p.state.WindowHidden, 0);
  EXPECT_EQ(p.state.SavedWindowPos.x, 0);
  EXPECT_EQ(p.state.SavedWindowPos.y, 0);
  EXPECT_EQ(p.state.CurrentServer, "");
  EXPECT_EQ(p.state.SavedIntervalText, "");
  EXPECT_EQ(p.state.ClockCentre.x, 40);
  EXPECT_EQ(p.state.ClockCentre.y, 40);
  EXPECT_EQ(p.state.FooterUrl.Get(), kDefaultFooterUrl);

  EXPECT_FALSE(ui.state[Ctl::图形按钮_开始校准].enabled);
  EXPECT_EQ(ui.state[Ctl::编辑框_系统时间].text, "2015-11-18  09:05:07");
  EXPECT_EQ(ui.state[Ctl::组合框1].text, "http://www.ntsc.ac.cn");
  EXPECT_FALSE(ui.state[Ctl::选择框_开机后自动启动].checked);
  EXPECT_EQ(ui.focus, Ctl::图形按钮_获取时间);
  EXPECT_EQ(window.left, 820);  // not moved
  EXPECT_EQ(window.flatLooks, 1);
  EXPECT_EQ(window.roundedCorner, 4);
  EXPECT_EQ(window.trayAdds, 1);
  EXPECT_EQ(intervalTimer.period, 0u);
  EXPECT_EQ(std::count(canvas.ops.begin(), canvas.ops.end(), "clear"), 1);
}

TEST_F(InitialiseTest, DelayedCalibrationRestoredLeavesTheCountdownToTheTick) {
  settings.values[{"自动校时", "是否自动"}] = "是";
  InitialiseMainWindow(p);
  EXPECT_EQ(p.state.AutoCalibrationDone, 0);
  EXPECT_TRUE(ui.state[Ctl::选择框_自动校准].checked);
}

TEST_F(InitialiseTest, IntervalRestoredExcludesTheOtherTwoOptions) {
  settings.values[{"自动校时", "是否间隔"}] = "是";
  settings.values[{"自动校时", "间隔秒"}] = "45";
  settings.values[{"自动校时", "是否自动"}] = "是";
  settings.values[{"自动校时", "自动退出"}] = "是";
  InitialiseMainWindow(p);

  EXPECT_EQ(p.state.AutoCalibrationDone, 1);
  EXPECT_EQ(p.state.SavedIntervalText, "45");
  EXPECT_EQ(intervalTimer.period, 1000u);
  EXPECT_FALSE(ui.state[Ctl::选择框_自动校准].checked);
  EXPECT_FALSE(ui.state[Ctl::选择框_自动退出].checked);
}

// The odd canvas: the centre is the halves cut toward zero.
TEST_F(InitialiseTest, ClockCentreIsTheCanvasHalvesCut) {
  ui.state[Ctl::画板1].width = 81;
  ui.state[Ctl::画板1].height = 77;
  InitialiseMainWindow(p);
  EXPECT_EQ(p.state.ClockCentre.x, 40);
  EXPECT_EQ(p.state.ClockCentre.y, 38);
}

TEST(ExitCleanupTest, ReleasesTheProgramWideTexts) {
  AppState state;
  state.CurrentServer = "http://www.163.com";
  state.SavedIntervalText = "20";
  state.FooterUrl.Set("http://notice.example");
  state.HaveServerTime = 1;
  ExitCleanup(state);
  EXPECT_EQ(state.CurrentServer, "");
  EXPECT_EQ(state.SavedIntervalText, "");
  EXPECT_EQ(state.FooterUrl.Get(), "");
  EXPECT_EQ(state.HaveServerTime, 1);  // nothing else is touched
  ExitCleanup(state);                  // a second run finds nothing to release
  EXPECT_EQ(state.CurrentServer, "");
}

}  // namespace
}  // namespace lumvo::testing
