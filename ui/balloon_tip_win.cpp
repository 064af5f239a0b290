#include "ui/balloon_tip_win.h"

#include <commctrl.h>

#include "platform/text_win.h"

namespace lumvo {
namespace {

constexpr UINT_PTR kCloseTimer = 0x4C54;  // apart from the tooltip's own timer numbers
constexpr UINT_PTR kToolId = 1;
constexpr UINT_PTR kSubclassId = 1;
constexpr int kMaxTipWidth = 480;  // a width limit makes the tooltip break lines at CR LF

TOOLINFOW ToolInfo(HWND owner) {
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  ti.hwnd = owner;
  ti.uId = kToolId;
  return ti;
}

bool IsPress(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_NCXBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDBLCLK:
    case WM_NCXBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return true;
    default:
      return false;
  }
}

}  // namespace

void WinBalloonTip::Attach(HINSTANCE instance, HWND owner, HFONT font) {
  instance_ = instance;
  owner_ = owner;
  font_ = font;
}

bool WinBalloonTip::EnsureWindow() {
  if (tip_) return true;
  if (!owner_) return false;
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_NOPREFIX | TTS_BALLOON | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, owner_, nullptr, instance_, nullptr);
  if (!tip_) return false;
  SetWindowSubclass(tip_, TipSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  if (font_) SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
  TOOLINFOW ti = ToolInfo(owner_);
  ti.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  return true;
}

void WinBalloonTip::Show(int x, int y, std::string_view text, int /*icon*/, bool mayCloseItself) {
  if (!EnsureWindow()) return;
  // A new tip replaces the one on screen, with its own display time.
  Hide();
  text_ = WidenGbk(text);
  TOOLINFOW ti = ToolInfo(owner_);
  ti.lpszText = text_.empty() ? const_cast<wchar_t*>(L" ") : &text_[0];
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
  SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
  visible_ = true;
  if (mayCloseItself && !staysOpen_) SetTimer(tip_, kCloseTimer, kDisplayMs, nullptr);
}

void WinBalloonTip::Hide() {
  if (!tip_) return;
  KillTimer(tip_, kCloseTimer);
  if (!visible_) return;
  visible_ = false;
  TOOLINFOW ti = ToolInfo(owner_);
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
}

void WinBalloonTip::Watch(const MSG& msg) {
  if (visible_ && IsPress(msg.message)) Hide();
}

LRESULT CALLBACK WinBalloonTip::TipSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                            DWORD_PTR data) {
  auto* self = reinterpret_cast<WinBalloonTip*>(data);
  switch (msg) {
    case WM_TIMER:
      if (wp == kCloseTimer) {
        self->Hide();
        return 0;
      }
      break;
    case WM_NCDESTROY:
      // Goes with its owner, the main window.
      RemoveWindowSubclass(hwnd, TipSubclass, kSubclassId);
      self->tip_ = nullptr;
      self->visible_ = false;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace lumvo
