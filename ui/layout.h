// The main window as data: where each control stands, what it says and how it starts. The Win32 layer
// creates the window from this table; the end-to-end tests find controls by the same numbers.
#pragma once

#include <cstdint>

#include "core/controls.h"
#include "core/program.h"

namespace lumvo {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

constexpr uint32_t kCaptionBlue = Rgb(44, 118, 158);  // "blue text" everywhere on the page
constexpr uint32_t kTitleColour = Rgb(48, 148, 173);
constexpr uint32_t kFlatBorder = Rgb(123, 158, 189);  // the blue-grey scheme of the flat control look
constexpr uint32_t kSeparatorColour = Rgb(208, 226, 240);
constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kNoBackground = 0xFFFFFFFFu;  // drawn over whatever lies behind

constexpr int kWindowWidth = 280;
constexpr int kWindowHeight = 366;
constexpr const char* kWindowText = "Lumvo自动校时v3.5";
constexpr const char* kFontFace = "宋体";
constexpr int kFontHeight = -12;  // 9 points at 96 dpi
constexpr int kCornerSize = 4;

constexpr uint32_t kSecondTimerMs = 1000;  // 时钟1
constexpr uint32_t kUpdateTimerMs = 2000;  // 时钟_更新

enum class CtlKind {
  kTransparentLabel,
  kPictureButton,
  kPictureBox,
  kLabel,
  kEdit,
  kComboBox,
  kCheckBox,
  kCanvas
};
enum class CtlParent { kWindow, kPage };  // the page is 图片框_正常页
enum class TextAlign { kLeft, kCentre };

struct ControlLayout {
  Ctl ctl;
  CtlKind kind;
  CtlParent parent;
  int left, top, width, height;  // in the parent's client coordinates
  const char* caption;           // GBK; an edit box's or combo box's initial text
  uint32_t textColour;
  uint32_t background;
  TextAlign align;
  bool enabled;
  bool checked;
  bool digitsOnly;     // typed characters other than 0-9 and "-" are refused
  int dropDownHeight;  // combo box: the height with its list opened
  bool handCursor;     // the pointer shows a hand over it (a link)
};

const ControlLayout& LayoutOf(Ctl c);

// Whether a digits-only box takes a typed character (UTF-16 unit): "0" to "9", "-" and every control key
// (backspace, the clipboard keys). Pasted text is not checked and no range is enforced.
bool NumberBoxAccepts(uint32_t ch);

// The window's place when it is created: centred on the primary screen.
Point CentredWindowPosition(int screenWidth, int screenHeight);

// The default entries of 组合框1, in order; the first is shown at start.
constexpr int kDefaultServerCount = 7;
extern const char* const kDefaultServers[kDefaultServerCount];

// The pop-up menu "右键". Command numbers are the Win32 menu item identifiers.
enum class MenuAction { kOpenPage, kSeparator, kExit };
struct MenuItem {
  int command;
  const char* caption;  // GBK
  MenuAction action;
  const char* address;  // for kOpenPage
};
constexpr int kMenuItemCount = 5;
extern const MenuItem kMainMenu[kMenuItemCount];

// Where a click on the footer leads until a notice replaces it: a chat with the author.
extern const char* const kDefaultFooterUrl;

}  // namespace lumvo
