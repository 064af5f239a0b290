#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fakes.h"
#include "ui/events.h"
#include "ui/layout.h"
#include "ui/tray.h"

namespace lumvo::testing {
namespace {

class EventsTest : public ::testing::Test {
 protected:
  FakeProgram f;
  Program& p = f.p;
};

TEST_F(EventsTest, FooterOpensItsAddressAndNothingWhenEmpty) {
  OnFooterClicked(p);
  EXPECT_TRUE(f.shell.opened.empty());

  p.state.FooterUrl.Set("http://notice.example/page");
  OnFooterClicked(p);
  ASSERT_EQ(f.shell.opened.size(), 1u);
  EXPECT_EQ(f.shell.opened[0], "http://notice.example/page");
}

TEST_F(EventsTest, MenuItemsOpenTheirPagesAndExitAsksToClose) {
  for (const MenuItem& item : kMainMenu) {
    if (item.action != MenuAction::kOpenPage) continue;
    f.shell.opened.clear();
    OnMenuCommand(p, item.command);
    ASSERT_EQ(f.shell.opened.size(), 1u) << item.command;
    EXPECT_EQ(f.shell.opened[0], item.address);
  }
  EXPECT_EQ(f.window.closeRequests, 0);
  OnMenuCommand(p, kMainMenu[kMenuItemCount - 1].command);
  EXPECT_EQ(f.window.closeRequests, 1);

  f.shell.opened.clear();
  for (int unknown : {0, -1, 1, 9999}) OnMenuCommand(p, unknown);
  EXPECT_TRUE(f.shell.opened.empty());
  EXPECT_EQ(f.window.closeRequests, 1);
}

// Each clickable control reaches its own handler: a control wired to a neighbour's handler shows here.
TEST_F(EventsTest, ClicksReachTheirHandlers) {
  f.shell.registry["Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders|Startup"] = {
      RegistryText::kString, "C:\\Startup"};
  const struct {
    Ctl ctl;
    std::function<void(FakeProgram&)> before;
    std::function<bool(FakeProgram&)> happened;
  } cases[] = {
      {Ctl::设置按钮, {}, [](FakeProgram& x) { return x.window.menus == 1; }},
      {Ctl::图形按钮_关闭, {}, [](FakeProgram& x) { return x.window.closeRequests == 1; }},
      {Ctl::图形按钮_最小化, {}, [](FakeProgram& x) { return x.window.left == kParkedPosition; }},
      {Ctl::图形按钮_获取时间, {}, [](FakeProgram& x) { return !x.http.log.empty(); }},
      {Ctl::图形按钮_开始校准,
       [](FakeProgram& x) { x.p.state.StandardTime = MakeDateTime(2026, 1, 2, 3, 4, 5); },
       [](FakeProgram& x) { return x.clock.setTimes.size() == 1; }},
      {Ctl::选择框_间隔校时, [](FakeProgram& x) { x.ui.state[Ctl::选择框_间隔校时].checked = true; },
       [](FakeProgram& x) { return x.intervalTimer.period == 1000; }},
      {Ctl::选择框_自动校准, [](FakeProgram& x) { x.ui.state[Ctl::选择框_自动校准].checked = true; },
       [](FakeProgram& x) {
         return x.settings.values[{"自动校时", "是否自动"}] == "是";
       }},
      {Ctl::选择框_自动退出, [](FakeProgram& x) { x.ui.state[Ctl::选择框_自动退出].checked = true; },
       [](FakeProgram& x) {
         return x.settings.values[{"自动校时", "自动退出"}] == "是";
       }},
      {Ctl::选择框_启动后隐藏, [](FakeProgram& x) { x.ui.state[Ctl::选择框_启动后隐藏].checked = true; },
       [](FakeProgram& x) {
         return x.settings.values[{"自动校时", "隐藏"}] == "是";
       }},
      {Ctl::选择框_开机后自动启动,
       [](FakeProgram& x) { x.ui.state[Ctl::选择框_开机后自动启动].checked = true; },
       [](FakeProgram& x) { return x.shell.files.count("C:\\Startup\\Lumvo自动校时.lnk") == 1; }},
      {Ctl::选择框_自动尝试下一服务器, [](FakeProgram& x) { x.ui.focus = Ctl::组合框1; },
       [](FakeProgram& x) { return x.ui.focus == Ctl::图形按钮_获取时间; }},
  };
  for (const auto& c : cases) {
    FakeProgram fresh;
    fresh.shell.registry = f.shell.registry;
    if (c.before) c.before(fresh);
    OnControlClicked(fresh.p, c.ctl);
    EXPECT_TRUE(c.happened(fresh)) << ControlId(c.ctl);
  }
}

TEST_F(EventsTest, ControlsWithoutAClickDoNothing) {
  for (Ctl c : {Ctl::透明标签_标题, Ctl::图片框_正常页, Ctl::标_时间服务器1, Ctl::编辑框_服务器时间,
                Ctl::组合框1, Ctl::编辑框_间隔秒, Ctl::画板1, Ctl::标签_底栏}) {
    OnControlClicked(p, c);
  }
  EXPECT_EQ(f.window.menus + f.window.closeRequests, 0);
  EXPECT_TRUE(f.window.log.empty());
  EXPECT_TRUE(f.http.log.empty());
  EXPECT_TRUE(f.settings.writes.empty());
  EXPECT_EQ(f.ui.focus, Ctl::kCount);
}

}  // namespace
}  // namespace lumvo::testing
