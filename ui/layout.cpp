#include "ui/layout.h"

#include <array>

namespace lumvo {
namespace {

using K = CtlKind;
using P = CtlParent;
using A = TextAlign;

constexpr const char* kChatAddress = "tencent://message/?uin=274315569&Site=lumvo&Menu=yes";

// In the order of Ctl, so a control's row is found by its number.
constexpr std::array<ControlLayout, static_cast<size_t>(Ctl::kCount)> kLayout = {{
    {Ctl::透明标签_标题, K::kTransparentLabel, P::kWindow, 8, 0, 264, 32, "     Lumvo自动校时 v 3.6",
     kTitleColour, kNoBackground, A::kLeft, true, false, false, 0, false},
    {Ctl::设置按钮, K::kPictureButton, P::kWindow, 188, 1, 27, 17, "", kBlack, kNoBackground, A::kLeft, true,
     false, false, 0, false},
    {Ctl::图形按钮_最小化, K::kPictureButton, P::kWindow, 215, 1, 26, 17, "", kBlack, kNoBackground, A::kLeft,
     true, false, false, 0, false},
    {Ctl::图形按钮_关闭, K::kPictureButton, P::kWindow, 240, 1, 36, 17, "", kBlack, kNoBackground, A::kLeft,
     true, false, false, 0, false},
    {Ctl::图片框_正常页, K::kPictureBox, P::kWindow, 5, 30, 270, 327, "", kBlack, kWhite, A::kLeft, true,
     false, false, 0, false},
    // The three caption labels are disabled so they take no mouse input (a right click on them reaches the
    // page and opens the menu); they are still drawn in blue.
    {Ctl::标_时间服务器1, K::kLabel, P::kPage, 12, 16, 60, 22, "标准时间：", kCaptionBlue, kWhite, A::kLeft,
     false, false, false, 0, false},
    {Ctl::编辑框_服务器时间, K::kEdit, P::kPage, 80, 16, 180, 22, "", kCaptionBlue, kWhite, A::kCentre, true,
     false, false, 0, false},
    {Ctl::标_时间服务器2, K::kLabel, P::kPage, 12, 57, 60, 22, "本机时间：", kCaptionBlue, kWhite, A::kLeft,
     false, false, false, 0, false},
    {Ctl::编辑框_系统时间, K::kEdit, P::kPage, 80, 57, 180, 22, "", kCaptionBlue, kWhite, A::kCentre, true,
     false, false, 0, false},
    {Ctl::图形按钮_获取时间, K::kPictureButton, P::kPage, 18, 95, 94, 28, "获取时间", kBlack, kNoBackground,
     A::kCentre, true, false, false, 0, false},
    {Ctl::图形按钮_开始校准, K::kPictureButton, P::kPage, 164, 95, 94, 28, "开始校准", kBlack, kNoBackground,
     A::kCentre, true, false, false, 0, false},
    {Ctl::标签4, K::kLabel, P::kPage, 2, 131, 264, 1, "", kBlack, kSeparatorColour, A::kLeft, true, false,
     false, 0, false},
    {Ctl::标_时间服务器, K::kLabel, P::kPage, 13, 142, 70, 20, "时间服务器：", kCaptionBlue, kWhite, A::kLeft,
     false, false, false, 0, false},
    {Ctl::组合框1, K::kComboBox, P::kPage, 91, 142, 168, 20, "", kCaptionBlue, kWhite, A::kLeft, true, false,
     false, 160, false},
    {Ctl::选择框_自动尝试下一服务器, K::kCheckBox, P::kPage, 15, 171, 189, 20, "连接失败后自动尝试下一服务器",
     kCaptionBlue, kWhite, A::kLeft, true, true, false, 0, false},
    // The two number boxes stand inside the blanks of their check boxes' captions.
    {Ctl::选择框_间隔校时, K::kCheckBox, P::kPage, 15, 193, 161, 20, "每隔     秒自动校准一次", kCaptionBlue,
     kWhite, A::kLeft, true, false, false, 0, false},
    {Ctl::编辑框_间隔秒, K::kEdit, P::kPage, 58, 194, 28, 16, "5", kBlack, kWhite, A::kCentre, true, false,
     true, 0, false},
    {Ctl::选择框_自动校准, K::kCheckBox, P::kPage, 15, 215, 153, 20, "启动     秒后自动校准", kCaptionBlue,
     kWhite, A::kLeft, true, false, false, 0, false},
    {Ctl::编辑框_延迟秒, K::kEdit, P::kPage, 58, 217, 28, 16, "60", kBlack, kWhite, A::kCentre, true, false,
     true, 0, false},
    {Ctl::选择框_自动退出, K::kCheckBox, P::kPage, 15, 237, 109, 20, "校准后自动退出", kCaptionBlue, kWhite,
     A::kLeft, true, false, false, 0, false},
    {Ctl::选择框_开机后自动启动, K::kCheckBox, P::kPage, 15, 259, 109, 20, "开机后自动启动", kCaptionBlue,
     kWhite, A::kLeft, true, false, false, 0, false},
    {Ctl::选择框_启动后隐藏, K::kCheckBox, P::kPage, 15, 282, 109, 20, "启动后隐藏界面", kCaptionBlue, kWhite,
     A::kLeft, true, false, false, 0, false},
    {Ctl::画板1, K::kCanvas, P::kPage, 176, 205, 80, 80, "", kBlack, kWhite, A::kLeft, true, false, false, 0,
     false},
    {Ctl::标签_底栏, K::kLabel, P::kPage, 12, 303, 253, 24, "作者QQ:274315569  Lumvo工作室出品", kCaptionBlue,
     kWhite, A::kCentre, true, false, false, 0, true},
}};

constexpr bool RowsFollowTheEnum() {
  for (size_t i = 0; i < kLayout.size(); ++i) {
    if (static_cast<size_t>(kLayout[i].ctl) != i) return false;
  }
  return true;
}
static_assert(RowsFollowTheEnum(), "every control's row stands at its own number");

}  // namespace

const ControlLayout& LayoutOf(Ctl c) { return kLayout[static_cast<size_t>(c)]; }

// DEL (what Ctrl+Backspace types) is no editing key in an edit box: it would go in as a character.
bool NumberBoxAccepts(uint32_t ch) { return ch < 0x20 || (ch >= '0' && ch <= '9') || ch == '-'; }

Point CentredWindowPosition(int screenWidth, int screenHeight) {
  return Point{(screenWidth - kWindowWidth) / 2, (screenHeight - kWindowHeight) / 2};
}

// Any web server's Date header serves; these are large sites that answer a HEAD quickly: a national
// time-service centre, a cloud provider, a security-software vendor, two search engines, a news portal
// and a download-software vendor.
const char* const kDefaultServers[kDefaultServerCount] = {
    "http://www.ntsc.ac.cn", "http://www.aliyun.com", "http://www.360.cn",     "http://www.baidu.com",
    "http://www.sogou.com",  "http://www.163.com",    "http://www.xunlei.com",
};

const MenuItem kMainMenu[kMenuItemCount] = {
    {2001, "给我留言", MenuAction::kOpenPage, "http://blog.lumvo.cn/message.html"},
    {2002, "联系作者", MenuAction::kOpenPage, kChatAddress},
    {2003, "更多软件", MenuAction::kOpenPage, "http://down.lumvo.cn/soft/list.html"},
    {0, "-", MenuAction::kSeparator, ""},
    {2005, "退出", MenuAction::kExit, ""},
};

const char* const kDefaultFooterUrl = kChatAddress;

}  // namespace lumvo
