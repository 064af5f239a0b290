#include <gtest/gtest.h>

#include "core/calibrate.h"
#include "fakes.h"

namespace lumvo::testing {
namespace {

const char kSuccess[] = "校时完成 ！";
const char kFailure[] =
    "            【时间修改失败】\r\n"
    "1.检查是否有杀毒或防火墙之类的软件禁止了时间的修改！\r\n"
    "2.关闭所有正在运行的软件在试一次！\r\n"
    "3.请检查是否有权限修改本机时间！";

TEST(ToSystemTimeTest, BoundsToTheRangeAndFillsInTheDayOfWeek) {
  const struct {
    DateTime value;
    CivilTime expected;
  } cases[] = {
      {MakeDateTime(2015, 11, 19, 11, 18, 29), {2015, 11, 19, 11, 18, 29, 4}},
      {MakeDateTime(2016, 2, 29, 0, 0, 0), {2016, 2, 29, 0, 0, 0, 1}},
      {MakeDateTime(100, 1, 1, 0, 0, 0), {100, 1, 1, 0, 0, 0, 5}},
      {AddSeconds(MinDateTime(), -1), {100, 1, 1, 0, 0, 0, 5}},
      {DateTime{}, {1899, 12, 30, 0, 0, 0, 6}},
      {DateTime{INT64_MIN / 2}, {100, 1, 1, 0, 0, 0, 5}},
      {AddSeconds(MaxDateTime(), 1), {9999, 12, 31, 23, 59, 59, 5}},
      {DateTime{INT64_MAX / 2}, {9999, 12, 31, 23, 59, 59, 5}},
  };
  for (const auto& c : cases) {
    const CivilTime t = ToSystemTime(c.value);
    const CivilTime& e = c.expected;
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.dayOfWeek}),
              std::vector<int>({e.year, e.month, e.day, e.hour, e.minute, e.second, e.dayOfWeek}))
        << c.value.seconds;
  }
}

class CalibrateTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;
};

TEST_F(CalibrateTest, SetsTheClockToTheHeldTimeAndSaysSo) {
  p.state.StandardTime = MakeDateTime(2015, 11, 19, 11, 18, 29);
  Calibrate(p);
  ASSERT_EQ(f.clock.setTimes.size(), 1u);
  EXPECT_EQ(f.clock.setTimes[0].minute, 18);
  EXPECT_EQ(f.clock.setTimes[0].dayOfWeek, 4);
  ASSERT_EQ(f.tip.shown.size(), 1u);
  const FakeTip::Shown& tip = f.tip.shown[0];
  EXPECT_EQ(tip.text, kSuccess);
  EXPECT_EQ(std::make_pair(tip.x, tip.y), std::make_pair(1890, 1055));
  EXPECT_EQ(tip.icon, -1);
  EXPECT_TRUE(tip.mayClose);
  EXPECT_FALSE(tip.staysOpen);
  EXPECT_EQ(p.state.StandardTime, MakeDateTime(2015, 11, 19, 11, 18, 29))
      << "the held time runs on unchanged";
}

TEST_F(CalibrateTest, AFailureTipStaysAndTheNextSuccessTipClosesByItself) {
  f.window.screenWidth = 800;
  f.window.screenHeight = 600;
  for (bool accept : {false, true, false}) {
    f.clock.acceptSetTime = accept;
    Calibrate(p);
  }
  ASSERT_EQ(f.tip.shown.size(), 3u);
  const bool staysOpen[] = {true, false, true};
  const char* texts[] = {kFailure, kSuccess, kFailure};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(f.tip.shown[i].staysOpen, staysOpen[i]) << i;
    EXPECT_EQ(f.tip.shown[i].text, texts[i]) << i;
    EXPECT_EQ(std::make_pair(f.tip.shown[i].x, f.tip.shown[i].y), std::make_pair(770, 575));
    EXPECT_EQ(f.tip.shown[i].icon, -1);
    EXPECT_TRUE(f.tip.shown[i].mayClose);
  }
}

TEST_F(CalibrateTest, OnlyASuccessWithTheExitOptionCheckedArmsTheExit) {
  const struct {
    bool exitChecked, accepted;
    int armed;
  } cases[] = {{true, true, 1}, {true, false, 0}, {false, true, 0}, {false, false, 0}};
  for (const auto& c : cases) {
    FakeProgram g;
    g.ui.state[Ctl::选择框_自动退出].checked = c.exitChecked;
    g.clock.acceptSetTime = c.accepted;
    Calibrate(g.p);
    EXPECT_EQ(g.p.state.ExitArmed, c.armed) << c.exitChecked << c.accepted;
  }
  // Once armed it stays armed, whatever later calibrations do.
  FakeProgram g;
  g.ui.state[Ctl::选择框_自动退出].checked = true;
  Calibrate(g.p);
  g.ui.state[Ctl::选择框_自动退出].checked = false;
  g.clock.acceptSetTime = false;
  Calibrate(g.p);
  EXPECT_EQ(g.p.state.ExitArmed, 1);
}

}  // namespace
}  // namespace lumvo::testing
