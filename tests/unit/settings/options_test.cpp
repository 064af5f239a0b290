#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "settings/options.h"

namespace lumvo::testing {
namespace {

using Writes = std::vector<std::string>;

// A click toggles the box first; the handler then sees the new state.
void Click(FakeProgram& f, Ctl box, void (*handler)(Program&)) {
  f.ui.SetChecked(box, !f.ui.Checked(box));
  handler(f.p);
}

// The states a run can be in: each option as its own click or a restore would have left it.
void StartWith(FakeProgram& f, bool interval, bool calibrate, bool exit) {
  if (interval) {
    f.ui.SetChecked(Ctl::选择框_间隔校时, true);
    f.ui.Enable(Ctl::编辑框_间隔秒, false);
    f.p.state.SavedIntervalText = "5";
    f.intervalTimer.SetPeriod(1000);
  }
  if (calibrate) {
    f.ui.SetChecked(Ctl::选择框_自动校准, true);
    f.ui.Enable(Ctl::编辑框_延迟秒, false);
  }
  if (exit) f.ui.SetChecked(Ctl::选择框_自动退出, true);
}

class OptionsTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;

  void SetUp() override { f.ui.focus = Ctl::组合框1; }

  void Click(Ctl box, void (*handler)(Program&)) { testing::Click(f, box, handler); }
  void StartWith(bool interval, bool calibrate, bool exit) { testing::StartWith(f, interval, calibrate, exit); }
  bool On(Ctl c) { return f.ui.Checked(c); }
  bool Editable(Ctl c) { return f.ui.Enabled(c); }
  std::string Text(Ctl c) { return f.ui.Text(c); }
  void SaveInFile(const char* section, const char* key, const char* value) {
    f.settings.values[{section, key}] = value;
  }
  std::string Stored(const char* key) {
    const auto it = f.settings.values.find({"自动校时", key});
    return it == f.settings.values.end() ? "(missing)" : it->second;
  }
  void RestoreAll() {
    RestoreHideOption(p);
    RestoreServerChoice(p);
    RestoreSyncOptions(p);
  }
};

// ---- Clicks on the three synchronisation options ----

TEST_F(OptionsTest, EachClickWritesItsKeysInOrderAndKeepsTheOptionsApart) {
  struct Case {
    const char* name;
    bool interval, calibrate, exit;  // before the click
    Ctl clicked;
    void (*handler)(Program&);
    bool intervalAfter, calibrateAfter, exitAfter;
    uint32_t timerAfter;
    Writes writes;
  };
  const Case cases[] = {
      {"interval on", false, false, false, Ctl::选择框_间隔校时, OnIntervalClick, true, false, false, 1000,
       {"自动校时/是否间隔=是", "自动校时/间隔秒=5"}},
      {"interval on clears both others", false, true, true, Ctl::选择框_间隔校时, OnIntervalClick, true, false,
       false, 1000, {"自动校时/是否间隔=是", "自动校时/间隔秒=5", "自动校时/是否自动=否", "自动校时/自动退出=否"}},
      {"interval on clears exit", false, false, true, Ctl::选择框_间隔校时, OnIntervalClick, true, false, false,
       1000, {"自动校时/是否间隔=是", "自动校时/间隔秒=5", "自动校时/自动退出=否"}},
      {"interval off", true, false, false, Ctl::选择框_间隔校时, OnIntervalClick, false, false, false, 0,
       {"自动校时/是否间隔=否"}},
      // The running interval countdown is left to run out once more.
      {"calibrate on clears interval", true, false, false, Ctl::选择框_自动校准, OnAutoCalibrateClick, false,
       true, false, 1000, {"自动校时/是否自动=是", "自动校时/秒=60", "自动校时/是否间隔=否"}},
      {"calibrate on beside exit", false, false, true, Ctl::选择框_自动校准, OnAutoCalibrateClick, false, true,
       true, 0, {"自动校时/是否自动=是", "自动校时/秒=60", "自动校时/是否间隔=否"}},
      {"calibrate off", false, true, false, Ctl::选择框_自动校准, OnAutoCalibrateClick, false, false, false, 0,
       {"自动校时/是否自动=否"}},
      {"exit on clears interval", true, false, false, Ctl::选择框_自动退出, OnAutoExitClick, false, false, true,
       1000, {"自动校时/自动退出=是", "自动校时/是否间隔=否"}},
      {"exit on beside calibrate", false, true, false, Ctl::选择框_自动退出, OnAutoExitClick, false, true, true,
       0, {"自动校时/自动退出=是", "自动校时/是否间隔=否"}},
      {"exit off", false, false, true, Ctl::选择框_自动退出, OnAutoExitClick, false, false, false, 0,
       {"自动校时/自动退出=否"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProgram run;
    run.ui.focus = Ctl::组合框1;
    testing::StartWith(run, c.interval, c.calibrate, c.exit);

    testing::Click(run, c.clicked, c.handler);

    EXPECT_EQ(run.settings.writes, c.writes);
    EXPECT_EQ(run.ui.Checked(Ctl::选择框_间隔校时), c.intervalAfter);
    EXPECT_EQ(run.ui.Checked(Ctl::选择框_自动校准), c.calibrateAfter);
    EXPECT_EQ(run.ui.Checked(Ctl::选择框_自动退出), c.exitAfter);
    EXPECT_EQ(run.intervalTimer.period, c.timerAfter);
    // A field is locked exactly while its own option is on.
    EXPECT_EQ(run.ui.Enabled(Ctl::编辑框_间隔秒), !c.intervalAfter);
    EXPECT_EQ(run.ui.Enabled(Ctl::编辑框_延迟秒), !c.calibrateAfter);
    EXPECT_EQ(run.ui.focus, Ctl::图形按钮_获取时间);
  }
}

TEST_F(OptionsTest, IntervalTextTypedWhenTurnedOnIsTheOnePutBackWhenTurnedOff) {
  f.ui.SetText(Ctl::编辑框_间隔秒, "7");
  Click(Ctl::选择框_间隔校时, OnIntervalClick);
  EXPECT_EQ(Stored("间隔秒"), "7");
  EXPECT_EQ(p.state.SavedIntervalText, "7");

  f.ui.SetText(Ctl::编辑框_间隔秒, "3");  // the countdown is under way
  Click(Ctl::选择框_间隔校时, OnIntervalClick);
  EXPECT_EQ(Text(Ctl::编辑框_间隔秒), "7");
  EXPECT_TRUE(Editable(Ctl::编辑框_间隔秒));
  EXPECT_EQ(f.intervalTimer.period, 0u);
}

TEST_F(OptionsTest, NumbersAreStoredAsTypedWithoutAnyCheck) {
  for (const char* typed : {"", "-3", "0", "99999999999"}) {
    SCOPED_TRACE(typed);
    f.ui.SetChecked(Ctl::选择框_间隔校时, false);
    f.ui.SetChecked(Ctl::选择框_自动校准, false);
    f.ui.SetText(Ctl::编辑框_间隔秒, typed);
    f.ui.SetText(Ctl::编辑框_延迟秒, typed);
    Click(Ctl::选择框_间隔校时, OnIntervalClick);
    EXPECT_EQ(Stored("间隔秒"), typed);
    EXPECT_EQ(p.state.SavedIntervalText, typed);
    Click(Ctl::选择框_自动校准, OnAutoCalibrateClick);
    EXPECT_EQ(Stored("秒"), typed);
  }
}

TEST_F(OptionsTest, IntervalOnClearsDelayedCalibrationButLeavesItsCountdownTextAndSavedDelay) {
  StartWith(false, true, false);
  SaveInFile("自动校时", "秒", "60");
  f.ui.SetText(Ctl::编辑框_延迟秒, "37");  // the delayed calibration is still counting down
  Click(Ctl::选择框_间隔校时, OnIntervalClick);
  EXPECT_FALSE(On(Ctl::选择框_自动校准));
  EXPECT_TRUE(Editable(Ctl::编辑框_延迟秒));
  EXPECT_EQ(Text(Ctl::编辑框_延迟秒), "37");
  EXPECT_EQ(Stored("秒"), "60");
  EXPECT_EQ(Stored("是否自动"), "否");
}

TEST_F(OptionsTest, LeftoverCountdownRunsOnAndTurningIntervalBackOnJoinsItWithoutRestart) {
  StartWith(true, false, false);
  f.ui.SetText(Ctl::编辑框_间隔秒, "12");
  const int restarts = f.intervalTimer.restarts;

  Click(Ctl::选择框_自动退出, OnAutoExitClick);
  EXPECT_FALSE(On(Ctl::选择框_间隔校时));
  EXPECT_EQ(Text(Ctl::编辑框_间隔秒), "12");  // no saved text put back
  EXPECT_EQ(f.intervalTimer.period, 1000u);

  f.ui.SetText(Ctl::编辑框_间隔秒, "5");  // the leftover countdown goes on
  Click(Ctl::选择框_间隔校时, OnIntervalClick);
  EXPECT_EQ(Stored("间隔秒"), "5");
  EXPECT_EQ(p.state.SavedIntervalText, "5");
  EXPECT_FALSE(On(Ctl::选择框_自动退出));
  EXPECT_EQ(f.intervalTimer.period, 1000u);
  EXPECT_EQ(f.intervalTimer.restarts, restarts) << "the running countdown keeps its current second";
}

TEST_F(OptionsTest, CalibrateOffShowsTheSavedDelayAgain) {
  const struct {
    const char* saved;  // nullptr: no key in the file
    const char* shown;
  } cases[] = {{"45", "45"}, {nullptr, "60"}, {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved ? c.saved : "(missing)");
    f.settings.values.clear();
    if (c.saved) SaveInFile("自动校时", "秒", c.saved);
    StartWith(false, true, false);
    f.ui.SetText(Ctl::编辑框_延迟秒, "12");  // a suspended countdown
    Click(Ctl::选择框_自动校准, OnAutoCalibrateClick);
    EXPECT_EQ(Text(Ctl::编辑框_延迟秒), c.shown);
    EXPECT_TRUE(Editable(Ctl::编辑框_延迟秒));
  }
}

// ---- The hide option, the try-next box and the server combo ----

TEST_F(OptionsTest, HideClickSavesTheOptionAndLeavesTheWindowWhereItIs) {
  Click(Ctl::选择框_启动后隐藏, OnHideClick);
  EXPECT_EQ(f.ui.focus, Ctl::图形按钮_获取时间);
  f.ui.focus = Ctl::组合框1;
  Click(Ctl::选择框_启动后隐藏, OnHideClick);
  EXPECT_EQ(f.settings.writes, (Writes{"自动校时/隐藏=是", "自动校时/隐藏=否"}));
  EXPECT_EQ(f.ui.focus, Ctl::图形按钮_获取时间);
  EXPECT_TRUE(f.window.log.empty());
  EXPECT_EQ(p.state.WindowHidden, 0);
}

TEST_F(OptionsTest, ComboWritesItsTextAtEveryFocusLossEvenEmptyAndLeavesTheFocusAlone) {
  f.ui.focus = Ctl::编辑框_间隔秒;  // where the user clicked
  f.ui.SetText(Ctl::组合框1, "http://www.baidu.com");
  OnServerComboFocusLost(p);
  OnServerComboFocusLost(p);
  f.ui.SetText(Ctl::组合框1, "");
  OnServerComboFocusLost(p);
  EXPECT_EQ(f.settings.writes, (Writes{"lx/fuwuqi=http://www.baidu.com", "lx/fuwuqi=http://www.baidu.com",
                                       "lx/fuwuqi="}));
  EXPECT_EQ(f.ui.focus, Ctl::编辑框_间隔秒);

  FakeProgram next;  // the next start shows the empty text
  next.settings.values = f.settings.values;
  RestoreServerChoice(next.p);
  EXPECT_EQ(next.ui.Text(Ctl::组合框1), "");
}

// ---- Restoring at start ----

TEST_F(OptionsTest, NoSettingsFileGivesTheFormStates) {
  RestoreAll();
  for (Ctl box : {Ctl::选择框_间隔校时, Ctl::选择框_自动校准, Ctl::选择框_自动退出, Ctl::选择框_启动后隐藏})
    EXPECT_FALSE(On(box)) << static_cast<int>(box);
  EXPECT_EQ(Text(Ctl::编辑框_间隔秒), "5");
  EXPECT_EQ(Text(Ctl::编辑框_延迟秒), "60");
  EXPECT_TRUE(Editable(Ctl::编辑框_间隔秒));
  EXPECT_TRUE(Editable(Ctl::编辑框_延迟秒));
  EXPECT_EQ(Text(Ctl::组合框1), "http://www.ntsc.ac.cn");
  EXPECT_EQ(p.state.SavedIntervalText, "");
  EXPECT_EQ(f.intervalTimer.period, 0u);
  EXPECT_TRUE(f.window.log.empty());
  EXPECT_TRUE(f.settings.writes.empty()) << "restoring writes nothing";
}

TEST_F(OptionsTest, RestoredIntervalUsesTheSavedTextUnchangedAndStartsTheTimer) {
  const struct {
    const char* saved;  // nullptr: no key in the file
    const char* shown;
  } cases[] = {{nullptr, "20"}, {"7", "7"}, {"", ""}, {"abc", "abc"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved ? c.saved : "(missing)");
    FakeProgram run;
    run.settings.values[{"自动校时", "是否间隔"}] = "是";
    if (c.saved) run.settings.values[{"自动校时", "间隔秒"}] = c.saved;
    RestoreSyncOptions(run.p);
    EXPECT_TRUE(run.ui.Checked(Ctl::选择框_间隔校时));
    EXPECT_FALSE(run.ui.Enabled(Ctl::编辑框_间隔秒));
    EXPECT_EQ(run.ui.Text(Ctl::编辑框_间隔秒), c.shown);
    EXPECT_EQ(run.p.state.SavedIntervalText, c.shown);
    EXPECT_EQ(run.intervalTimer.period, 1000u);
  }
}

TEST_F(OptionsTest, RestoredIntervalKeepsTheOtherTwoOffWhateverTheFileSays) {
  SaveInFile("自动校时", "是否间隔", "是");
  SaveInFile("自动校时", "是否自动", "是");
  SaveInFile("自动校时", "秒", "45");
  SaveInFile("自动校时", "自动退出", "是");
  RestoreAll();
  EXPECT_TRUE(On(Ctl::选择框_间隔校时));
  EXPECT_FALSE(On(Ctl::选择框_自动校准));
  EXPECT_FALSE(On(Ctl::选择框_自动退出));
  EXPECT_EQ(Text(Ctl::编辑框_延迟秒), "60");
  EXPECT_TRUE(Editable(Ctl::编辑框_延迟秒));
  EXPECT_TRUE(f.settings.writes.empty()) << "their keys keep their values";
}

TEST_F(OptionsTest, RestoredCalibrationLocksItsFieldWithTheSavedDelay) {
  const struct {
    const char* saved;  // nullptr: no key in the file
    const char* shown;
  } cases[] = {{"45", "45"}, {nullptr, "60"}, {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved ? c.saved : "(missing)");
    FakeProgram run;
    run.settings.values[{"自动校时", "是否自动"}] = "是";
    if (c.saved) run.settings.values[{"自动校时", "秒"}] = c.saved;
    RestoreSyncOptions(run.p);
    EXPECT_TRUE(run.ui.Checked(Ctl::选择框_自动校准));
    EXPECT_FALSE(run.ui.Enabled(Ctl::编辑框_延迟秒));
    EXPECT_EQ(run.ui.Text(Ctl::编辑框_延迟秒), c.shown);
    EXPECT_FALSE(run.ui.Checked(Ctl::选择框_自动退出));
    EXPECT_EQ(run.intervalTimer.period, 0u);
  }
}

TEST_F(OptionsTest, CalibrationAndExitComeBackTogether) {
  SaveInFile("自动校时", "是否自动", "是");
  SaveInFile("自动校时", "自动退出", "是");
  RestoreSyncOptions(p);
  EXPECT_TRUE(On(Ctl::选择框_自动校准));
  EXPECT_TRUE(On(Ctl::选择框_自动退出));
  EXPECT_FALSE(On(Ctl::选择框_间隔校时));
}

TEST_F(OptionsTest, OnlyTheExactBytesOfYesSwitchAnOptionOn) {
  const char* notYes[] = {"1", "yes", "否", "", "是 ", " 是", "是是",
                          "\xE6\x98\xAF"};  // "是" saved as UTF-8 by an editor
  const char* keys[] = {"是否间隔", "是否自动", "自动退出", "隐藏"};
  for (const char* key : keys) {
    for (const char* value : notYes) {
      SCOPED_TRACE(std::string(key) + "=" + value);
      FakeProgram run;
      run.settings.values[{"自动校时", key}] = value;
      RestoreHideOption(run.p);
      RestoreSyncOptions(run.p);
      for (Ctl box : {Ctl::选择框_间隔校时, Ctl::选择框_自动校准, Ctl::选择框_自动退出, Ctl::选择框_启动后隐藏})
        EXPECT_FALSE(run.ui.Checked(box)) << static_cast<int>(box);
      EXPECT_EQ(run.intervalTimer.period, 0u);
      EXPECT_TRUE(run.window.log.empty());
    }
  }
}

TEST_F(OptionsTest, SavedHideOptionParksTheWindowAndChecksTheBox) {
  SaveInFile("自动校时", "隐藏", "是");
  RestoreHideOption(p);
  EXPECT_EQ(f.window.left, -3200);
  EXPECT_EQ(f.window.top, -3200);
  EXPECT_EQ(p.state.SavedWindowPos.x, 820);
  EXPECT_EQ(p.state.SavedWindowPos.y, 357);
  EXPECT_EQ(p.state.WindowHidden, 1);
  EXPECT_TRUE(On(Ctl::选择框_启动后隐藏));
}

TEST_F(OptionsTest, SavedServerReplacesTheFormText) {
  SaveInFile("lx", "fuwuqi", "http://www.163.com");
  RestoreServerChoice(p);
  EXPECT_EQ(Text(Ctl::组合框1), "http://www.163.com");
}

}  // namespace
}  // namespace lumvo::testing
