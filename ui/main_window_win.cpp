#include "ui/main_window_win.h"

#include <memory>
#include <string>

#include "app/initialise.h"
#include "core/interval.h"
#include "core/tick.h"
#include "platform/text_win.h"
#include "settings/options.h"
#include "ui/buttons_win.h"
#include "ui/controls_create_win.h"
#include "ui/events.h"
#include "ui/label_win.h"
#include "ui/menu_win.h"
#include "ui/res/resource.h"
#include "ui/tray.h"
#include "ui/ui_font_win.h"

namespace lumvo {
namespace {

constexpr const wchar_t* kMainClass = L"LumvoTimeMain";
constexpr const wchar_t* kOwnerClass = L"LumvoTimeOwner";

WindowContext* ContextOf(HWND hwnd) {
  return reinterpret_cast<WindowContext*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// ---- handlers -----------------------------------------------------------------------------------

bool OnCreate(WindowContext& ctx, HWND hwnd) {
  ctx.main = hwnd;
  if (!CreateControls(ctx)) return false;
  ctx.secondTimer.Bind(hwnd);
  ctx.intervalTimer.Bind(hwnd);
  ctx.updateTimer.Bind(hwnd);
  ctx.tip.Attach(ctx.instance, hwnd, ctx.font.Get());
  SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ctx.largeIcon.Get()));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ctx.smallIcon.Get()));
  InitialiseMainWindow(*ctx.program);
  return true;
}

// The frame picture is the window's whole background, drawn unscaled from the top left corner.
void PaintFrame(const WindowContext& ctx, HDC dc) {
  RECT rc{};
  GetClientRect(ctx.main, &rc);
  FillRect(dc, &rc, ctx.whiteBrush.Get());
  if (!ctx.frame) return;
  MemoryDc source;
  SelectScope selected(source.Get(), ctx.frame.Get());
  BitBlt(dc, 0, 0, kWindowWidth, kWindowHeight, source.Get(), 0, 0, SRCCOPY);
}

void OnTimer(WindowContext& ctx, UINT_PTR id) {
  Program& p = *ctx.program;
  if (id == ctx.secondTimer.Id()) {
    OnSecondTick(p);
  } else if (id == ctx.intervalTimer.Id()) {
    // A tick already taken from the queue when the timer was stopped is dropped: stopped means no ticks.
    if (ctx.intervalTimer.Period() != 0) OnIntervalTick(p);
  } else if (id == ctx.updateTimer.Id()) {
    if (ctx.onUpdateTimer) ctx.onUpdateTimer();
  }
}

void OnCommand(WindowContext& ctx, int id, WORD code, HWND control) {
  Program& p = *ctx.program;
  if (!control) {
    OnMenuCommand(p, id);
    return;
  }
  const Ctl c = CtlOfWindow(ctx, control);
  if (c == Ctl::kCount) return;
  switch (LayoutOf(c).kind) {
    case CtlKind::kCheckBox:  // an automatic check box: toggled before this, as the handlers expect
    case CtlKind::kPictureButton:
      if (code == BN_CLICKED) OnControlClicked(p, c);
      return;
    case CtlKind::kComboBox:
      if (code == CBN_KILLFOCUS) OnServerComboFocusLost(p);
      return;
    case CtlKind::kTransparentLabel:
      if (code == kLabelPressed) {
        // The system's own move loop drags the window, as if its caption had been pressed.
        ReleaseCapture();
        SendMessageW(ctx.main, WM_NCLBUTTONDOWN, HTCAPTION, 0);
      }
      return;
    case CtlKind::kLabel:
      if (c == Ctl::标签_底栏 && code == kLabelReleased) OnFooterClicked(p);
      return;
    default:
      return;
  }
}

LRESULT OnDrawItem(WindowContext& ctx, const DRAWITEMSTRUCT& item) {
  if (item.CtlType == ODT_MENU) return DrawMenuItem(ctx, item);
  const Ctl c = CtlOfWindow(ctx, item.hwndItem);
  if (c == Ctl::kCount) return FALSE;
  if (LayoutOf(c).kind != CtlKind::kPictureButton) return FALSE;
  DrawPictureButton(item, ctx.State(c));
  return TRUE;
}

LRESULT OnControlColour(WindowContext& ctx, HDC dc, HWND control) {
  const Ctl c = CtlOfWindow(ctx, control);
  SetTextColor(dc, c == Ctl::kCount ? kCaptionBlue : LayoutOf(c).textColour);
  SetBkColor(dc, RGB(255, 255, 255));
  return reinterpret_cast<LRESULT>(ctx.whiteBrush.Get());
}

// Focus goes back where it was when the window is activated again (the default would put it on the
// window itself, where no key does anything).
void OnActivate(WindowContext& ctx, WORD state) {
  if (state == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(ctx.main, focus)) ctx.lastFocus = focus;
    return;
  }
  HWND target = ctx.lastFocus && IsWindow(ctx.lastFocus) ? ctx.lastFocus : ctx.Hwnd(Ctl::图形按钮_获取时间);
  SetFocus(target);
}

void OnFooterCaption(WindowContext& ctx, LPARAM text) {
  std::unique_ptr<std::string> owned(reinterpret_cast<std::string*>(text));
  SetWindowTextW(ctx.Hwnd(Ctl::标签_底栏), WidenGbk(*owned).c_str());
}

void OnDestroy(WindowContext& ctx) {
  ctx.program->window.RemoveTrayIcon();
  ctx.mainDestroyed = true;
  PostQuitMessage(0);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  WindowContext* ctx = ContextOf(hwnd);
  if (!ctx) return DefWindowProcW(hwnd, msg, wp, lp);

  switch (msg) {
    case WM_CREATE:
      return OnCreate(*ctx, hwnd) ? 0 : -1;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(hwnd);
      PaintFrame(*ctx, paint.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintFrame(*ctx, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_TIMER:
      OnTimer(*ctx, wp);
      return 0;
    case WM_COMMAND:
      OnCommand(*ctx, LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_DRAWITEM:
      return OnDrawItem(*ctx, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_MEASUREITEM:
      return MeasureMenuItem(*ctx, *reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return OnControlColour(*ctx, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ACTIVATE:
      OnActivate(*ctx, LOWORD(wp));
      return 0;
    case WM_CLOSE:  // Alt+F4: the same queued request as the close button
      ctx->program->window.CloseMainWindow();
      return 0;
    case kMsgClose:
      DestroyWindow(hwnd);
      return 0;
    case kMsgFooterCaption:
      OnFooterCaption(*ctx, lp);
      return 0;
    case kTrayMessage:
      OnTrayEvent(*ctx->program, TrayEventFromMouse(LOWORD(lp)));
      return 0;
    case WM_DESTROY:
      OnDestroy(*ctx);
      return 0;
    default:
      if (msg == ctx->taskbarCreated && msg != 0) {
        ctx->tray.AddAgain();
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// ---- creation -----------------------------------------------------------------------------------

void LoadResources(WindowContext& ctx) {
  ctx.font = CreateUiFont();
  ctx.whiteBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  ctx.flatBorderBrush.Reset(CreateSolidBrush(kFlatBorder));
  auto bitmap = [&](int id) {
    return static_cast<HBITMAP>(
        LoadImageW(ctx.instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  };
  ctx.frame.Reset(bitmap(IDB_FRAME));
  ctx.dial.Reset(bitmap(IDB_DIAL));
  auto icon = [&](int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(ctx.instance, MAKEINTRESOURCEW(IDI_LUMVO), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY),
                                         LR_DEFAULTCOLOR));
  };
  ctx.largeIcon.Reset(icon(SM_CXICON, SM_CYICON));
  ctx.smallIcon.Reset(icon(SM_CXSMICON, SM_CYSMICON));
}

void RegisterClasses(const WindowContext& ctx) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainProc;
  wc.hInstance = ctx.instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ctx.largeIcon.Get();
  wc.hIconSm = ctx.smallIcon.Get();
  wc.lpszClassName = kMainClass;
  RegisterClassExW(&wc);

  WNDCLASSEXW owner{};
  owner.cbSize = sizeof owner;
  owner.lpfnWndProc = DefWindowProcW;
  owner.hInstance = ctx.instance;
  owner.hIcon = ctx.largeIcon.Get();
  owner.hIconSm = ctx.smallIcon.Get();
  owner.lpszClassName = kOwnerClass;
  RegisterClassExW(&owner);

  RegisterControlClasses(ctx.instance);
}

}  // namespace

bool CreateMainWindow(WindowContext& ctx) {
  LoadResources(ctx);
  RegisterClasses(ctx);
  ctx.taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  // Untitled, so whoever looks for the program's window by its text finds the main window alone.
  ctx.owner =
      CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ctx.instance, nullptr);
  const Point at = CentredWindowPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  HWND hwnd = CreateWindowExW(0, kMainClass, WidenGbk(kWindowText).c_str(), WS_POPUP | WS_CLIPCHILDREN, at.x,
                              at.y, kWindowWidth, kWindowHeight, ctx.owner, nullptr, ctx.instance, &ctx);
  if (!hwnd) return false;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  return true;
}

void WatchMessage(WindowContext& ctx, const MSG& msg) { ctx.tip.Watch(msg); }

}  // namespace lumvo
