#include <gtest/gtest.h>

#include <algorithm>

#include "core/interval.h"
#include "core/tick.h"
#include "core/time_fetch.h"
#include "fakes.h"

namespace lumvo::testing {
namespace {

const char kSearching[] = "正在查找时间服务器......";
const char kAllFailed[] = "时间服务器连接失败......";
const char kOffline[] = "未连接网络......";
const char kDate[] = "Thu, 19 Nov 2015 03:18:29 GMT";  // 11:18:29 local
const char kShown[] = "2015-11-19  11:18:29";

FakeHttp::Script Answer() { return {true, kDate, 0, {}}; }
FakeHttp::Script NoAnswer() { return {true, "", 0, {}}; }

// The servers asked, in order, from the request log.
std::vector<std::string> Asked(const FakeHttp& http) {
  std::vector<std::string> servers;
  const std::string head = "open HEAD ", tail = "/123.123 sync";
  for (const std::string& line : http.log)
    if (line.rfind(head, 0) == 0)
      servers.push_back(line.substr(head.size(), line.size() - head.size() - tail.size()));
  return servers;
}

class AcquireTimeTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;
  const std::vector<std::string> list = f.ui.combo;

  std::vector<std::string> Asked() const { return testing::Asked(f.http); }
  std::string& Text(Ctl c) { return f.ui.state[c].text; }
  bool Enabled(Ctl c) { return f.ui.state[c].enabled; }
  void Check(Ctl c, bool on) { f.ui.state[c].checked = on; }
  int Creates() const { return static_cast<int>(std::count(f.http.log.begin(), f.http.log.end(), "create")); }
};

TEST_F(AcquireTimeTest, EveryServerFailsWithTheDefaultList) {
  f.ui.state[Ctl::图形按钮_开始校准].enabled = true;  // a time held from before
  p.state.HaveServerTime = 1;
  AcquireTime(p);

  // The first entry is shown at start, so it is asked twice: once as the combo's text, once from the list.
  std::vector<std::string> expected = {list[0]};
  expected.insert(expected.end(), list.begin(), list.end());
  EXPECT_EQ(Asked(), expected);
  EXPECT_EQ(Text(Ctl::组合框1), list.back());
  EXPECT_EQ(p.state.CurrentServer, list.back());
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), kAllFailed);
  EXPECT_EQ(f.ui.textLog.front(), std::make_pair(Ctl::编辑框_服务器时间, std::string(kSearching)));
  EXPECT_EQ(p.state.HaveServerTime, 0);
  EXPECT_TRUE(Enabled(Ctl::图形按钮_获取时间));
  EXPECT_FALSE(Enabled(Ctl::图形按钮_开始校准));
  EXPECT_TRUE(f.clock.setTimes.empty());
  EXPECT_EQ(f.http.live, 0);
}

TEST_F(AcquireTimeTest, WhichServersAreAsked) {
  const std::string typed = "http://typed.example";
  const struct {
    const char* name;
    std::vector<std::string> combo;
    std::string text;
    bool tryNext;
    std::vector<std::string> asked;
    std::string shownAfter;
  } cases[] = {
      {"try-next off", list, list[2], false, {list[2]}, list[2]},
      {"typed server first",
       {"http://a", "http://b"},
       typed,
       true,
       {typed, "http://a", "http://b"},
       "http://b"},
      {"typed, try-next off", {"http://a", "http://b"}, typed, false, {typed}, typed},
      {"empty list", {}, typed, true, {typed}, typed},
      {"empty text", {"http://a"}, "", true, {"", "http://a"}, "http://a"},
  };
  for (const auto& c : cases) {
    FakeProgram g;
    g.ui.combo = c.combo;
    g.ui.state[Ctl::组合框1].text = c.text;
    g.ui.state[Ctl::选择框_自动尝试下一服务器].checked = c.tryNext;
    AcquireTime(g.p);
    EXPECT_EQ(testing::Asked(g.http), c.asked) << c.name;
    EXPECT_EQ(g.ui.state[Ctl::组合框1].text, c.shownAfter) << c.name;
    EXPECT_EQ(g.ui.state[Ctl::编辑框_服务器时间].text, kAllFailed) << c.name;
    if (!c.tryNext) {
      EXPECT_TRUE(std::none_of(g.ui.textLog.begin(), g.ui.textLog.end(),
                               [](const auto& e) { return e.first == Ctl::组合框1; }))
          << c.name << ": the combo is not touched";
    }
  }
}

TEST_F(AcquireTimeTest, SuccessOnTheThirdAttemptEndsTheAttempts) {
  f.http.scripts = {NoAnswer(), NoAnswer(), Answer()};
  AcquireTime(p);

  EXPECT_EQ(Asked(), (std::vector<std::string>{list[0], list[0], list[1]}));
  EXPECT_EQ(Text(Ctl::组合框1), list[1]);
  EXPECT_EQ(p.state.CurrentServer, list[1]);
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), kShown);
  EXPECT_EQ(FormatDateTime(p.state.StandardTime), kShown);
  EXPECT_EQ(p.state.HaveServerTime, 1);
  EXPECT_TRUE(Enabled(Ctl::图形按钮_获取时间));
  EXPECT_TRUE(Enabled(Ctl::图形按钮_开始校准));
  EXPECT_TRUE(f.clock.setTimes.empty()) << "neither synchronisation option is on";
}

TEST_F(AcquireTimeTest, ButtonsAreDisabledAndNoTimeIsHeldWhileAServerIsAsked) {
  p.state.HaveServerTime = 1;
  f.ui.state[Ctl::图形按钮_开始校准].enabled = true;
  bool getEnabled = true, calibrateEnabled = true;
  int held = -1;
  auto script = Answer();
  script.onSend = [&] {
    getEnabled = Enabled(Ctl::图形按钮_获取时间);
    calibrateEnabled = Enabled(Ctl::图形按钮_开始校准);
    held = p.state.HaveServerTime;
  };
  f.http.scripts = {script};
  AcquireTime(p);
  EXPECT_FALSE(getEnabled);
  EXPECT_FALSE(calibrateEnabled);
  EXPECT_EQ(held, 0);
  EXPECT_EQ(p.state.HaveServerTime, 1);
}

TEST_F(AcquireTimeTest, ASuccessSetsTheClockWhenAutomaticOrIntervalSynchronisationIsOn) {
  const struct {
    bool automatic, interval, setsClock;
  } cases[] = {{false, false, false}, {true, false, true}, {false, true, true}, {true, true, true}};
  for (const auto& c : cases) {
    FakeProgram g;
    g.ui.state[Ctl::选择框_自动校准].checked = c.automatic;
    g.ui.state[Ctl::选择框_间隔校时].checked = c.interval;
    g.http.scripts = {Answer()};
    AcquireTime(g.p);
    ASSERT_EQ(g.clock.setTimes.size(), c.setsClock ? 1u : 0u) << c.automatic << c.interval;
    if (c.setsClock) {
      EXPECT_EQ(g.clock.setTimes[0].hour, 11);
      EXPECT_EQ(g.clock.setTimes[0].second, 29);
      EXPECT_EQ(g.tip.shown.size(), 1u);
    }
  }
  // A failed fetch never sets it.
  FakeProgram g;
  g.ui.state[Ctl::选择框_自动校准].checked = true;
  AcquireTime(g.p);
  EXPECT_TRUE(g.clock.setTimes.empty());
}

TEST_F(AcquireTimeTest, OfflineLeavesTheHeldTimeAndTheButtonsAlone) {
  for (int answer : {0, 2, -1}) {  // only exactly 1 means on line
    FakeProgram g;
    g.network.answer = answer;
    g.p.state.HaveServerTime = 1;
    g.ui.state[Ctl::图形按钮_开始校准].enabled = true;
    g.ui.state[Ctl::图形按钮_获取时间].enabled = true;
    const uint32_t start = g.clock.ticks;
    uint32_t elapsedWhenShown = 0;
    g.pump.everyDispatch = [&] { elapsedWhenShown = g.clock.ticks - start; };
    AcquireTime(g.p);

    const std::vector<std::pair<Ctl, std::string>> texts = {{Ctl::编辑框_服务器时间, kSearching},
                                                            {Ctl::编辑框_服务器时间, kOffline}};
    EXPECT_EQ(g.ui.textLog, texts) << answer;
    EXPECT_GT(elapsedWhenShown, 1000u) << "the searching text stays for a second";
    EXPECT_EQ(g.p.state.HaveServerTime, 1);
    EXPECT_TRUE(g.ui.state[Ctl::图形按钮_获取时间].enabled);
    EXPECT_TRUE(g.ui.state[Ctl::图形按钮_开始校准].enabled);
    EXPECT_TRUE(g.http.log.empty()) << "no server is asked";
  }
}

TEST_F(AcquireTimeTest, EveryPathRestartsTheIntervalTimerWhileTheOptionIsChecked) {
  const struct {
    const char* name;
    int network;
    bool tryNext, succeeds;
  } cases[] = {{"success", 1, true, true},
               {"all failed", 1, true, false},
               {"one attempt failed", 1, false, false},
               {"offline", 0, true, false}};
  for (const auto& c : cases) {
    for (bool interval : {false, true}) {
      FakeProgram g;
      g.network.answer = c.network;
      g.ui.state[Ctl::选择框_自动尝试下一服务器].checked = c.tryNext;
      g.ui.state[Ctl::选择框_间隔校时].checked = interval;
      if (c.succeeds) g.http.scripts = {Answer()};
      AcquireTime(g.p);
      EXPECT_EQ(g.intervalTimer.period, interval ? 1000u : 0u) << c.name;
    }
  }
}

TEST_F(AcquireTimeTest, MessagesAreLetThroughBeforeEachAttemptButNotDuringOne) {
  f.pump.everyDispatch = [&] { f.http.log.push_back("dispatch"); };
  f.http.scripts = {NoAnswer(), Answer()};
  AcquireTime(p);
  const auto& log = f.http.log;
  int attempts = 0;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] != "create") continue;
    ++attempts;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(log[i - 1], "dispatch") << "attempt " << attempts;
    for (size_t j = i; j < log.size() && log[j] != "release"; ++j) EXPECT_NE(log[j], "dispatch");
  }
  EXPECT_EQ(attempts, 2);
}

// A fetch started by another caller runs inside one of the pauses; the outer fetch then carries on with
// its own attempts, each asking the server it shows, and does not report a failure over the time the
// inner one got.
TEST_F(AcquireTimeTest, AFetchInsideAFetch) {
  Text(Ctl::组合框1) = "http://typed.example";
  f.http.scripts = {NoAnswer(), Answer()};  // the inner fetch: typed fails, first entry answers
  f.pump.queued.push_back([&] { AcquireTime(p); });
  AcquireTime(p);

  std::vector<std::string> expected = {"http://typed.example", list[0], "http://typed.example"};
  expected.insert(expected.end(), list.begin(), list.end());
  EXPECT_EQ(Asked(), expected);
  EXPECT_EQ(p.state.HaveServerTime, 1);
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), kShown);
  EXPECT_EQ(p.state.CurrentServer, list.back());
}

TEST_F(AcquireTimeTest, TheListShrinkingDuringAFetchIsHarmless) {
  f.pump.queued.push_back([&] { f.ui.combo.resize(2); });
  AcquireTime(p);
  // Still eight attempts, counted at the start; entries that are gone are asked as empty texts.
  const std::vector<std::string> expected = {list[0], list[0], list[1], "", "", "", "", ""};
  EXPECT_EQ(Asked(), expected);
  EXPECT_EQ(f.ui.comboReadsOutOfRange, 0);
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), kAllFailed);
}

// The delayed synchronisation marks itself done before it fetches, so ticks that run while the fetch
// lets messages through cannot start a second fetch.
TEST_F(AcquireTimeTest, TicksDuringTheDelayedFetchDoNotStartAnother) {
  Check(Ctl::选择框_自动校准, true);
  Text(Ctl::编辑框_延迟秒) = "0";
  int ticksInside = 0;
  f.pump.everyDispatch = [&] {
    ++ticksInside;
    f.clock.now = AddSeconds(f.clock.now, 1);
    OnSecondTick(p);
  };
  OnSecondTick(p);

  EXPECT_EQ(Creates(), 8);
  EXPECT_GT(ticksInside, 8);
  EXPECT_EQ(p.state.AutoCalibrationDone, 1);
  EXPECT_EQ(Text(Ctl::编辑框_服务器时间), kAllFailed)
      << "inner ticks leave the field alone while no time is held";
  EXPECT_EQ(Text(Ctl::编辑框_延迟秒), "0");
}

TEST_F(AcquireTimeTest, IntervalTicksDuringTheIntervalFetchDoNotStartAnother) {
  Check(Ctl::选择框_间隔校时, true);
  Text(Ctl::编辑框_间隔秒) = "0";
  p.state.SavedIntervalText = "0";
  f.intervalTimer.period = 1000;
  int ticksInside = 0;
  f.pump.everyDispatch = [&] {
    if (f.intervalTimer.period == 0) return;  // a stopped timer raises no events
    ++ticksInside;
    OnIntervalTick(p);
  };
  OnIntervalTick(p);

  EXPECT_EQ(ticksInside, 0);
  EXPECT_EQ(Creates(), 8);
  EXPECT_EQ(f.intervalTimer.period, 1000u);
}

}  // namespace
}  // namespace lumvo::testing
