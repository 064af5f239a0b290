#include <gtest/gtest.h>

#include <algorithm>

#include "core/interval.h"
#include "core/time_fetch.h"
#include "fakes.h"

namespace lumvo::testing {
namespace {

class IntervalTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;
  std::string& Field() { return f.ui.state[Ctl::编辑框_间隔秒].text; }
  int Creates() const { return static_cast<int>(std::count(f.http.log.begin(), f.http.log.end(), "create")); }

  // The option is on and the countdown runs from `saved`.
  void Start(const std::string& saved) {
    f.ui.state[Ctl::选择框_间隔校时].checked = true;
    p.state.SavedIntervalText = saved;
    Field() = saved;
    StartIntervalTimer(p);
  }
};

TEST_F(IntervalTest, OneCycleCountsDownFetchesAndStartsOver) {
  Start("1");
  uint32_t periodDuringFetch = 1;
  f.http.scripts.push_back(
      {true, "Thu, 19 Nov 2015 03:18:29 GMT", 0, [&] { periodDuringFetch = f.intervalTimer.period; }});

  OnIntervalTick(p);
  EXPECT_EQ(Field(), "0");
  EXPECT_EQ(Creates(), 0);

  const int restarts = f.intervalTimer.restarts;
  OnIntervalTick(p);
  EXPECT_EQ(Creates(), 1);
  EXPECT_EQ(periodDuringFetch, 0u) << "stopped while its own fetch runs";
  EXPECT_EQ(f.intervalTimer.period, 1000u);
  EXPECT_EQ(f.intervalTimer.restarts, restarts + 1);
  EXPECT_EQ(Field(), "1");
  EXPECT_EQ(f.clock.setTimes.size(), 1u) << "a success sets the clock while the option is on";
}

TEST_F(IntervalTest, AFailedFetchDoesNotEndTheCycle) {
  Start("0");
  OnIntervalTick(p);
  EXPECT_EQ(f.ui.state[Ctl::编辑框_服务器时间].text, "时间服务器连接失败......");
  EXPECT_EQ(f.intervalTimer.period, 1000u);
  EXPECT_EQ(Field(), "0");
  OnIntervalTick(p);
  EXPECT_EQ(Creates(), 16);
}

TEST_F(IntervalTest, UncheckedDuringItsFetchTheTimerStaysStopped) {
  Start("20");
  Field() = "0";
  f.http.scripts.push_back({true, "", 0, [&] { f.ui.state[Ctl::选择框_间隔校时].checked = false; }});
  f.ui.state[Ctl::选择框_自动尝试下一服务器].checked = false;
  OnIntervalTick(p);
  EXPECT_EQ(f.intervalTimer.period, 0u);
  EXPECT_EQ(Field(), "20");
}

// A fetch started elsewhere ends by starting the timer; one already running keeps its second.
TEST_F(IntervalTest, AFetchDuringTheCountdownLeavesItRunning) {
  Start("20");
  OnIntervalTick(p);
  const int restarts = f.intervalTimer.restarts;
  f.ui.state[Ctl::选择框_自动尝试下一服务器].checked = false;
  AcquireTime(p);
  EXPECT_EQ(f.intervalTimer.restarts, restarts);
  EXPECT_EQ(Field(), "19");
}

}  // namespace
}  // namespace lumvo::testing
