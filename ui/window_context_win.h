// What the main window and its controls share: the handles, the drawing resources, the timers and the
// program the events are handed to. One exists for the life of the process.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "core/controls.h"
#include "core/program.h"
#include "platform/gdi_win.h"
#include "platform/timer_win.h"
#include "ui/balloon_tip_win.h"
#include "ui/canvas_win.h"
#include "ui/layout.h"
#include "ui/tray_icon_win.h"

namespace lumvo {

constexpr size_t kCtlCount = static_cast<size_t>(Ctl::kCount);

// Private messages of the main window.
constexpr UINT kMsgClose = WM_APP + 1;          // CloseMainWindow
constexpr UINT kMsgFooterCaption = WM_APP + 2;  // lParam: a std::string* the receiver deletes

struct WindowContext;

// The per-control state the drawing needs. The subclass procedures of the controls hold a pointer to it.
struct ControlState {
  WindowContext* ctx = nullptr;
  Ctl ctl = Ctl::kCount;
  // Picture buttons: normal, hover, pressed and (optional) disabled images.
  std::array<BitmapHandle, 4> images;
  bool hover = false;
  // Edit boxes: blank rows above and below the text, so a single line sits in the middle.
  int verticalPad = 0;
};

struct WindowContext {
  explicit WindowContext(HINSTANCE inst) : instance(inst) {}
  WindowContext(const WindowContext&) = delete;
  WindowContext& operator=(const WindowContext&) = delete;

  HWND Hwnd(Ctl c) const { return hwnds[static_cast<size_t>(c)]; }
  ControlState& State(Ctl c) { return states[static_cast<size_t>(c)]; }
  // The control with this Win32 id, or Ctl::kCount.
  static Ctl CtlFromId(int id) {
    const int index = id - kControlIdBase;
    return index >= 0 && index < static_cast<int>(kCtlCount) ? static_cast<Ctl>(index) : Ctl::kCount;
  }

  HINSTANCE instance;
  Program* program = nullptr;
  HWND owner = nullptr;  // hidden; owning the main window keeps it off the taskbar
  HWND main = nullptr;
  bool mainDestroyed = false;  // the program's life ends with the main window
  std::array<HWND, kCtlCount> hwnds{};
  std::array<ControlState, kCtlCount> states;
  HWND lastFocus = nullptr;  // given back when the window is activated again
  bool flatLook = false;
  UINT taskbarCreated = 0;

  FontHandle font;
  BrushHandle whiteBrush;
  BrushHandle flatBorderBrush;
  BitmapHandle frame;
  BitmapHandle dial;
  IconHandle largeIcon, smallIcon;

  WinTimer secondTimer{1, kSecondTimerMs};  // 时钟1
  WinTimer intervalTimer{2, 0};             // 时钟_间隔校时
  WinTimer updateTimer{3, kUpdateTimerMs};  // 时钟_更新
  std::function<void()> onUpdateTimer;      // 时钟_更新: the notice check, set by the entry

  WinCanvas canvas;
  WinBalloonTip tip;
  TrayIcon tray;
};

}  // namespace lumvo
