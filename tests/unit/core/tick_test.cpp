#include <gtest/gtest.h>

#include <cfloat>

#include "core/tick.h"
#include "fakes.h"

namespace lumvo::testing {
namespace {

TEST(TextToNumberTest, ReadsTheDecimalNumberAtTheStart) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"60", 60},
      {"  \t42", 42},
      {"-5", -5},
      {"+3", 3},
      {"2.5", 2.5},
      {".5", 0.5},
      {"5.", 5},
      {"1e2", 100},
      {"2.5E-1", 0.25},
      {"1e", 1},
      {"1e+", 1},
      {"12abc", 12},
      {"7 8", 7},
      {"3-2", 3},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {".", 0},
      {"-.", 0},
      {"- 5", 0},
      {"0000", 0},
      // Only the decimal reading: no infinities, no NaN, no hexadecimal.
      {"inf", 0},
      {"-infinity", 0},
      {"nan", 0},
      {"NAN(1)", 0},
      {"0x10", 0},
      {"0x1p3", 0},
      {"1x5", 1},
      // Beyond the double's range: the largest finite value, or zero.
      {"1e400", DBL_MAX},
      {"-1e400", -DBL_MAX},
      {"0.1e310", DBL_MAX},
      {"1e-400", 0},
      {"1000e-330", 0},
      {"0e99999", 0},
      {"1e99999999999999999999", DBL_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(TextToNumberTest, FullWidthCharactersReadAsTheirAsciiCounterparts) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"６０", 60},    {"－５", -5},  {"＋３", 3},    {"２．５", 2.5}, {"　７", 7},  // A1 A1 blank
      {"１ｅ２", 100}, {"1２3", 123}, {"６０秒", 60}, {"秒６０", 0},   {"ｎａｎ", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberToTextTest, WritesUpToThirteenSignificantDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{59, "59"},
               {0.5, "0.5"},
               {1.5, "1.5"},
               {-1, "-1"},
               {0, "0"},
               {-0.0, "0"},
               {1234567890123, "1234567890123"},
               {0.1 + 0.2, "0.3"},
               {1e15, "1e+15"}};
  for (const auto& c : cases) EXPECT_EQ(NumberToText(c.value), c.text) << c.value;
}

TEST(StepTextCountdownTest, CountsDownUntilTheValueIsBelowOne) {
  const struct {
    const char* start;
    std::vector<std::string> written;  // by the steps before the one that finds it run out
  } cases[] = {
      {"3", {"2", "1", "0"}},
      {"1", {"0"}},
      {"2.5", {"1.5", "0.5"}},
      {"１", {"0"}},
      {"0", {}},
      {"", {}},
      {"abc", {}},
      {"-5", {}},
      {"0.5", {}},
      {"0.99999995", {"-5.000000002919e-08"}},  // within the tolerance: one more step
      {"inf", {}},
  };
  for (const auto& c : cases) {
    FakeControls ui;
    ui.state[Ctl::编辑框_延迟秒].text = c.start;
    std::vector<std::string> written;
    int steps = 0;
    while (!StepTextCountdown(ui, Ctl::编辑框_延迟秒) && ++steps < 100)
      written.push_back(ui.state[Ctl::编辑框_延迟秒].text);
    EXPECT_EQ(written, c.written) << '"' << c.start << '"';
    const std::string last = c.written.empty() ? std::string(c.start) : c.written.back();
    EXPECT_EQ(ui.state[Ctl::编辑框_延迟秒].text, last) << "a run-out count is left as it is";
  }
}

TEST(StepTextCountdownTest, AHugeCountNeverTurnsIntoAnInfinity) {
  FakeControls ui;
  ui.state[Ctl::编辑框_间隔秒].text = "1e999";
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(StepTextCountdown(ui, Ctl::编辑框_间隔秒));
    EXPECT_EQ(ui.state[Ctl::编辑框_间隔秒].text, "1.797693134862e+308");
  }
}

class SecondTickTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;
  std::string& Text(Ctl c) { return f.ui.state[c].text; }
  void Check(Ctl c, bool on) { f.ui.state[c].checked = on; }
  // Runs one tick with the wall clock one second on.
  void Tick() {
    OnSecondTick(p);
    f.clock.now = AddSeconds(f.clock.now, 1);
  }
};

TEST_F(SecondTickTest, ShowsBothClocksAndAdvancesTheStandardTimeOverTheYearEnd) {
  f.clock.now = MakeDateTime(2026, 12, 11, 9, 30, 0);
  p.state.HaveServerTime = 1;
  p.state.StandardTime = MakeDateTime(2015, 12, 31, 23, 59, 59);
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_系统时间), "2026-12-11  09:30:00");
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "2015-12-31  23:59:59");
  EXPECT_EQ(FormatDateTime(p.state.StandardTime), "2016-01-01  00:00:00");
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_系统时间), "2026-12-11  09:30:01");
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "2016-01-01  00:00:00");
}

TEST_F(SecondTickTest, WithoutAServerTimeTheStandardFieldAndTimeStandStill) {
  Text(Ctl::编辑框_服务器时间) = "时间服务器连接失败......";
  p.state.StandardTime = MakeDateTime(2015, 1, 1, 0, 0, 0);
  p.state.ExitArmed = 1;
  Check(Ctl::选择框_自动退出, true);
  Tick();
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "时间服务器连接失败......");
  EXPECT_EQ(p.state.StandardTime, MakeDateTime(2015, 1, 1, 0, 0, 0));
  EXPECT_EQ(p.state.ExitCountdown, 3) << "a fetch in progress pauses the exit countdown";
  EXPECT_EQ(Text(Ctl::编辑框_系统时间), "2026-12-11  09:30:01");
}

TEST_F(SecondTickTest, ExitCountdownClosesTheWindowAtTheFifthTick) {
  p.state.HaveServerTime = 1;
  p.state.ExitArmed = 1;
  p.state.StandardTime = MakeDateTime(2015, 6, 1, 12, 0, 0);
  Check(Ctl::选择框_自动退出, true);
  for (const char* n : {"3", "2", "1", "0"}) {
    Tick();
    EXPECT_EQ(Text(Ctl::编辑框_服务器时间), std::string("校准完成 ") + n + " 秒后自动退出");
    EXPECT_EQ(f.window.closeRequests, 0);
  }
  f.canvas.ops.clear();
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "校准完成 -1 秒后自动退出");
  EXPECT_EQ(f.window.closeRequests, 1);
  // The close is queued: the rest of the tick still ran.
  EXPECT_EQ(p.state.StandardTime, MakeDateTime(2015, 6, 1, 12, 0, 5));
  EXPECT_FALSE(f.canvas.ops.empty());
}

TEST_F(SecondTickTest, UncheckingTheExitOptionPausesTheCountdown) {
  p.state.HaveServerTime = 1;
  p.state.ExitArmed = 1;
  p.state.StandardTime = MakeDateTime(2015, 6, 1, 12, 0, 0);
  Check(Ctl::选择框_自动退出, true);
  Tick();
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "校准完成 2 秒后自动退出");
  Check(Ctl::选择框_自动退出, false);
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "2015-06-01  12:00:02");
  Check(Ctl::选择框_自动退出, true);
  Tick();
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), "校准完成 1 秒后自动退出");
  EXPECT_EQ(f.window.closeRequests, 0);
}

TEST(DelayedSynchronisationTest, FetchesOnTheTickThatFindsTheCountRunOut) {
  const struct {
    const char* start;
    int fetchTick;       // the tick that starts the fetch
    const char* second;  // what the first tick left in the field
  } cases[] = {
      {"60", 61, "59"}, {"６０", 61, "59"}, {"1", 2, "0"},     {"2.5", 3, "1.5"},
      {"0", 1, "0"},    {"", 1, ""},        {"abc", 1, "abc"}, {"-5", 1, "-5"},
  };
  for (const auto& c : cases) {
    FakeProgram g;
    g.network.answer = 0;  // a fetch then shows its own text and asks nothing
    g.ui.state[Ctl::选择框_自动校准].checked = true;
    g.ui.state[Ctl::编辑框_延迟秒].text = c.start;
    std::string afterFirst;
    int fetchedAt = 0;
    for (int tick = 1; tick <= 70 && !fetchedAt; ++tick) {
      OnSecondTick(g.p);
      if (tick == 1) afterFirst = g.ui.state[Ctl::编辑框_延迟秒].text;
      if (g.ui.state[Ctl::编辑框_服务器时间].text == "未连接网络......") fetchedAt = tick;
    }
    EXPECT_EQ(fetchedAt, c.fetchTick) << '"' << c.start << '"';
    EXPECT_EQ(afterFirst, c.second) << '"' << c.start << '"';
    EXPECT_EQ(g.p.state.AutoCalibrationDone, 1);
    // Tried once per run, whatever the outcome.
    g.ui.state[Ctl::编辑框_服务器时间].text.clear();
    OnSecondTick(g.p);
    EXPECT_EQ(g.ui.state[Ctl::编辑框_服务器时间].text, "") << '"' << c.start << '"';
  }
}

TEST(DelayedSynchronisationTest, FieldIsLeftAloneUnlessTheOptionIsOnAndNotDone) {
  const struct {
    bool checked;
    int done;
  } cases[] = {{false, 0}, {true, 1}};
  for (const auto& c : cases) {
    FakeProgram g;
    g.ui.state[Ctl::选择框_自动校准].checked = c.checked;
    g.p.state.AutoCalibrationDone = c.done;
    g.ui.state[Ctl::编辑框_延迟秒].text = "0";
    for (int i = 0; i < 3; ++i) OnSecondTick(g.p);
    for (const auto& [control, text] : g.ui.textLog) EXPECT_NE(control, Ctl::编辑框_延迟秒);
    EXPECT_TRUE(g.http.log.empty());
    EXPECT_EQ(g.p.state.AutoCalibrationDone, c.done);
  }
}

TEST_F(SecondTickTest, TheClockFaceIsNotDrawnWhileTheWindowIsParked) {
  p.state.HaveServerTime = 1;
  f.window.left = -3200;
  Tick();
  EXPECT_TRUE(f.canvas.ops.empty());
  EXPECT_FALSE(Text(Ctl::编辑框_系统时间).empty());
  EXPECT_FALSE(Text(Ctl::编辑框_服务器时间).empty());
  f.window.left = -3199;
  Tick();
  EXPECT_EQ(f.canvas.ops.front(), "clear");
}

}  // namespace
}  // namespace lumvo::testing
