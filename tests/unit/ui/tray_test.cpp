#include <gtest/gtest.h>

#include "fakes.h"
#include "ui/tray.h"

namespace lumvo::testing {
namespace {

TEST(TrayEventFromMouseTest, MapsReleasesAndTheContextMenu) {
  const struct {
    uint32_t message;
    int type;
  } cases[] = {{514, 1}, {515, 2}, {517, 3}, {123, 3}, {512, 0}, {513, 0}, {516, 0}, {518, 0}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(TrayEventFromMouse(c.message), c.type) << c.message;
}

class TrayTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;
  TrayTest() {
    f.pump.everyDispatch = [this] {
      f.window.log.push_back("dispatch hidden=" + std::to_string(p.state.WindowHidden));
    };
  }
};

TEST_F(TrayTest, LeftClicksParkTheWindowAndBringItBackToItsPlace) {
  f.window.left = 500;
  f.window.top = 200;
  OnTrayEvent(p, 1);
  EXPECT_EQ(f.window.log, (std::vector<std::string>{"left -3200", "top -3200"}));
  EXPECT_EQ(p.state.WindowHidden, 1);

  f.window.log.clear();
  const uint32_t start = f.clock.ticks;
  OnTrayEvent(p, 1);
  const std::vector<std::string>& log = f.window.log;
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3),
            (std::vector<std::string>{"left 500", "top 200", "topmost"}));
  EXPECT_EQ(log.back(), "notopmost");
  // Messages flow for the 5 ms of the topmost spell; handlers run there still see the window parked.
  for (size_t i = 3; i + 1 < log.size(); ++i) EXPECT_EQ(log[i], "dispatch hidden=1");
  EXPECT_GT(f.clock.ticks - start, 5u);
  EXPECT_EQ(p.state.WindowHidden, 0);
  EXPECT_FALSE(f.window.topmost);
  EXPECT_EQ(std::make_pair(f.window.left, f.window.top), std::make_pair(500, 200));
}

TEST_F(TrayTest, ADoubleClickTogglesTwiceAndEndsWhereItBegan) {
  for (int hidden : {0, 1}) {
    FakeProgram g;
    if (hidden) ParkWindow(g.p);
    for (uint32_t message : {514u, 515u, 514u}) OnTrayEvent(g.p, TrayEventFromMouse(message));
    EXPECT_EQ(g.p.state.WindowHidden, hidden);
    EXPECT_EQ(g.window.left, hidden ? -3200 : 820);
  }
}

TEST_F(TrayTest, RightClickOpensTheMenuShownOrParked) {
  OnTrayEvent(p, 3);
  ParkWindow(p);
  f.window.log.clear();
  OnTrayEvent(p, 3);
  OnTrayEvent(p, 2);
  OnTrayEvent(p, 0);
  EXPECT_EQ(f.window.menus, 2);
  EXPECT_TRUE(f.window.log.empty());
  EXPECT_EQ(p.state.WindowHidden, 1);
}

// The minimise button clicked during the topmost spell parks the window again before the return has
// finished; the window must not lose the place it came from.
TEST_F(TrayTest, ParkingAParkedWindowKeepsThePlaceItCameFrom) {
  f.window.left = 300;
  f.window.top = 100;
  ParkWindow(p);
  f.pump.queued.push_back([this] { ParkWindow(p); });
  OnTrayEvent(p, 1);
  EXPECT_EQ(f.window.left, -3200);
  OnTrayEvent(p, 1);
  OnTrayEvent(p, 1);
  EXPECT_EQ(std::make_pair(f.window.left, f.window.top), std::make_pair(300, 100));
  EXPECT_EQ(p.state.WindowHidden, 0);
}

}  // namespace
}  // namespace lumvo::testing
