#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ui/layout.h"

namespace lumvo {
namespace {

// The form as the end-to-end tests and the pictures expect it: place, size and caption of every control.
TEST(LayoutTest, EveryControlStandsWhereTheFormPutsIt) {
  using K = CtlKind;
  using P = CtlParent;
  const struct {
    Ctl ctl;
    CtlKind kind;
    CtlParent parent;
    int left, top, width, height;
    std::string caption;
  } rows[] = {
      {Ctl::透明标签_标题, K::kTransparentLabel, P::kWindow, 8, 0, 264, 32, "     Lumvo自动校时 v 3.6"},
      {Ctl::设置按钮, K::kPictureButton, P::kWindow, 188, 1, 27, 17, ""},
      {Ctl::图形按钮_最小化, K::kPictureButton, P::kWindow, 215, 1, 26, 17, ""},
      {Ctl::图形按钮_关闭, K::kPictureButton, P::kWindow, 240, 1, 36, 17, ""},
      {Ctl::图片框_正常页, K::kPictureBox, P::kWindow, 5, 30, 270, 327, ""},
      {Ctl::标_时间服务器1, K::kLabel, P::kPage, 12, 16, 60, 22, "标准时间："},
      {Ctl::编辑框_服务器时间, K::kEdit, P::kPage, 80, 16, 180, 22, ""},
      {Ctl::标_时间服务器2, K::kLabel, P::kPage, 12, 57, 60, 22, "本机时间："},
      {Ctl::编辑框_系统时间, K::kEdit, P::kPage, 80, 57, 180, 22, ""},
      {Ctl::图形按钮_获取时间, K::kPictureButton, P::kPage, 18, 95, 94, 28, "获取时间"},
      {Ctl::图形按钮_开始校准, K::kPictureButton, P::kPage, 164, 95, 94, 28, "开始校准"},
      {Ctl::标签4, K::kLabel, P::kPage, 2, 131, 264, 1, ""},
      {Ctl::标_时间服务器, K::kLabel, P::kPage, 13, 142, 70, 20, "时间服务器："},
      {Ctl::组合框1, K::kComboBox, P::kPage, 91, 142, 168, 20, ""},
      {Ctl::选择框_自动尝试下一服务器, K::kCheckBox, P::kPage, 15, 171, 189, 20,
       "连接失败后自动尝试下一服务器"},
      {Ctl::选择框_间隔校时, K::kCheckBox, P::kPage, 15, 193, 161, 20, "每隔     秒自动校准一次"},
      {Ctl::编辑框_间隔秒, K::kEdit, P::kPage, 58, 194, 28, 16, "5"},
      {Ctl::选择框_自动校准, K::kCheckBox, P::kPage, 15, 215, 153, 20, "启动     秒后自动校准"},
      {Ctl::编辑框_延迟秒, K::kEdit, P::kPage, 58, 217, 28, 16, "60"},
      {Ctl::选择框_自动退出, K::kCheckBox, P::kPage, 15, 237, 109, 20, "校准后自动退出"},
      {Ctl::选择框_开机后自动启动, K::kCheckBox, P::kPage, 15, 259, 109, 20, "开机后自动启动"},
      {Ctl::选择框_启动后隐藏, K::kCheckBox, P::kPage, 15, 282, 109, 20, "启动后隐藏界面"},
      {Ctl::画板1, K::kCanvas, P::kPage, 176, 205, 80, 80, ""},
  };
  for (const auto& row : rows) {
    const ControlLayout& l = LayoutOf(row.ctl);
    SCOPED_TRACE(ControlId(row.ctl));
    EXPECT_EQ(l.ctl, row.ctl);
    EXPECT_EQ(l.kind, row.kind);
    EXPECT_EQ(l.parent, row.parent);
    EXPECT_EQ(l.left, row.left);
    EXPECT_EQ(l.top, row.top);
    EXPECT_EQ(l.width, row.width);
    EXPECT_EQ(l.height, row.height);
    EXPECT_EQ(l.caption, row.caption);
  }
  const ControlLayout& footer = LayoutOf(Ctl::标签_底栏);
  EXPECT_EQ(footer.parent, CtlParent::kPage);
  EXPECT_EQ(footer.left, 12);
  EXPECT_EQ(footer.top, 303);
  EXPECT_EQ(footer.width, 253);
  EXPECT_EQ(footer.height, 24);
  EXPECT_FALSE(std::string(footer.caption).empty());
  EXPECT_TRUE(footer.handCursor);
  EXPECT_EQ(LayoutOf(Ctl::组合框1).dropDownHeight, 160);
}

TEST(LayoutTest, InitialStatesColoursAndAlignment) {
  for (int i = 0; i < static_cast<int>(Ctl::kCount); ++i) {
    const Ctl c = static_cast<Ctl>(i);
    const ControlLayout& l = LayoutOf(c);
    SCOPED_TRACE(ControlId(c));
    // Only the try-next option starts checked.
    EXPECT_EQ(l.checked, c == Ctl::选择框_自动尝试下一服务器);
    // The three caption labels are disabled, so a right click on them reaches the page; nothing else is.
    const bool captionLabel = c == Ctl::标_时间服务器1 || c == Ctl::标_时间服务器2 || c == Ctl::标_时间服务器;
    EXPECT_EQ(l.enabled, !captionLabel);
    EXPECT_EQ(l.digitsOnly, c == Ctl::编辑框_间隔秒 || c == Ctl::编辑框_延迟秒);
    EXPECT_EQ(l.handCursor, c == Ctl::标签_底栏);
    if (l.kind == CtlKind::kCheckBox || captionLabel) {
      EXPECT_EQ(l.textColour, Rgb(44, 118, 158));
      EXPECT_EQ(l.align, TextAlign::kLeft);
    }
    if (l.kind == CtlKind::kEdit) {
      EXPECT_EQ(l.align, TextAlign::kCentre);
    }
  }
  EXPECT_EQ(LayoutOf(Ctl::编辑框_服务器时间).textColour, Rgb(44, 118, 158));
  EXPECT_EQ(LayoutOf(Ctl::编辑框_间隔秒).textColour, kBlack);
  EXPECT_EQ(LayoutOf(Ctl::透明标签_标题).textColour, Rgb(48, 148, 173));
  EXPECT_EQ(LayoutOf(Ctl::透明标签_标题).background, kNoBackground);
  EXPECT_EQ(LayoutOf(Ctl::标签4).background, Rgb(208, 226, 240));
  EXPECT_EQ(LayoutOf(Ctl::标签_底栏).align, TextAlign::kCentre);
}

struct Box {
  int left, top, right, bottom;
};
Box BoxOf(Ctl c) {
  const ControlLayout& l = LayoutOf(c);
  return {l.left, l.top, l.left + l.width, l.top + l.height};
}
bool Inside(const Box& inner, const Box& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST(LayoutTest, ControlsFitTheirParentsAndTheNumberBoxesSitInTheirCaptions) {
  const Box window{0, 0, kWindowWidth, kWindowHeight};
  const Box page{0, 0, LayoutOf(Ctl::图片框_正常页).width, LayoutOf(Ctl::图片框_正常页).height};
  for (int i = 0; i < static_cast<int>(Ctl::kCount); ++i) {
    const Ctl c = static_cast<Ctl>(i);
    SCOPED_TRACE(ControlId(c));
    EXPECT_TRUE(Inside(BoxOf(c), LayoutOf(c).parent == CtlParent::kWindow ? window : page));
  }
  EXPECT_TRUE(Inside(BoxOf(Ctl::编辑框_间隔秒), BoxOf(Ctl::选择框_间隔校时)));
  EXPECT_TRUE(Inside(BoxOf(Ctl::编辑框_延迟秒), BoxOf(Ctl::选择框_自动校准)));
  // The boxes cover the five blanks, right of the check square and the first two characters.
  EXPECT_GE(LayoutOf(Ctl::编辑框_间隔秒).left - LayoutOf(Ctl::选择框_间隔校时).left, 13 + 24);
  EXPECT_GE(LayoutOf(Ctl::编辑框_延迟秒).left - LayoutOf(Ctl::选择框_自动校准).left, 13 + 24);
}

TEST(LayoutTest, WindowIsCentredOnThePrimaryScreen) {
  const struct {
    int width, height, left, top;
  } cases[] = {{1920, 1080, 820, 357}, {1366, 768, 543, 201}, {1281, 801, 500, 217}, {800, 600, 260, 117}};
  for (const auto& c : cases) {
    const Point at = CentredWindowPosition(c.width, c.height);
    EXPECT_EQ(at.x, c.left) << c.width;
    EXPECT_EQ(at.y, c.top) << c.height;
  }
}

TEST(LayoutTest, DefaultServersAreSevenDistinctSitesWithoutPathOrTrailingSlash) {
  std::set<std::string> seen;
  for (const char* server : kDefaultServers) {
    const std::string s = server;
    SCOPED_TRACE(s);
    ASSERT_EQ(s.rfind("http://", 0), 0u);
    const std::string host = s.substr(7);
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(host.find('/'), std::string::npos);
    EXPECT_NE(host.find('.'), std::string::npos);
    seen.insert(s);
  }
  EXPECT_EQ(seen.size(), 7u);
}

TEST(LayoutTest, MenuHasItsFiveItemsInOrder) {
  const struct {
    std::string caption;
    MenuAction action;
  } expected[] = {{"给我留言", MenuAction::kOpenPage},
                  {"联系作者", MenuAction::kOpenPage},
                  {"更多软件", MenuAction::kOpenPage},
                  {"-", MenuAction::kSeparator},
                  {"退出", MenuAction::kExit}};
  std::set<int> commands;
  for (int i = 0; i < kMenuItemCount; ++i) {
    const MenuItem& item = kMainMenu[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(item.caption, expected[i].caption);
    EXPECT_EQ(item.action, expected[i].action);
    if (item.action == MenuAction::kSeparator) continue;
    EXPECT_GT(item.command, 0);
    commands.insert(item.command);
    if (item.action == MenuAction::kOpenPage) {
      EXPECT_FALSE(std::string(item.address).empty());
    }
  }
  EXPECT_EQ(commands.size(), 4u);
  // The footer's first address is the chat with the author, as the menu's second item.
  EXPECT_EQ(std::string(kDefaultFooterUrl), kMainMenu[1].address);
  EXPECT_EQ(std::string(kDefaultFooterUrl).rfind("tencent://message/?uin=", 0), 0u);
}

TEST(LayoutTest, NumberBoxesTakeDigitsMinusAndControlKeysOnly) {
  const struct {
    uint32_t ch;
    bool accepted;
  } cases[] = {{'0', true},  {'9', true},   {'-', true},     {0x08, true},   {0x16, true}, {0x03, true},
               {'\r', true}, {'a', false},  {'+', false},    {'.', false},   {' ', false}, {'/', false},
               {':', false}, {0x7F, false}, {0xFF10, false}, {0x4E00, false}};
  for (const auto& c : cases) EXPECT_EQ(NumberBoxAccepts(c.ch), c.accepted) << std::hex << c.ch;
}

}  // namespace
}  // namespace lumvo
