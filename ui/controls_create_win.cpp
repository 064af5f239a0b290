#include "ui/controls_create_win.h"

#include "ui/buttons_win.h"
#include "ui/canvas_win.h"
#include "ui/fields_win.h"
#include "ui/label_win.h"
#include "ui/res/resource.h"

namespace lumvo {
namespace {

constexpr const wchar_t* kPageClass = L"LumvoPage";

HMENU IdOf(Ctl c) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(c))); }

// The page holds most controls, so their notifications, drawing requests and colour questions arrive
// here; the main window answers them all.
LRESULT CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* ctx = reinterpret_cast<WindowContext*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(
          hwnd, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_ERASEBKGND: {
      RECT rc{};
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 1;
    }
    case WM_PRINTCLIENT: {
      RECT rc{};
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 0;
    }
    case WM_RBUTTONDOWN:
      if (ctx) ctx->program->window.ShowMainMenu();
      return 0;
    case WM_SETCURSOR:
      // A right press over a disabled caption label: the system hit-tests it as an error and reports the
      // press only here, through its label. Over the page it means the same as a press on the page.
      if (ctx && static_cast<short>(LOWORD(lp)) == HTERROR && HIWORD(lp) == WM_RBUTTONDOWN &&
          GetParent(reinterpret_cast<HWND>(wp)) == hwnd) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        ctx->program->window.ShowMainMenu();
        return TRUE;
      }
      break;
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int FirstImageOf(Ctl c) {
  switch (c) {
    case Ctl::设置按钮:
      return IDB_MENU;
    case Ctl::图形按钮_最小化:
      return IDB_MIN;
    case Ctl::图形按钮_关闭:
      return IDB_CLOSE;
    case Ctl::图形按钮_获取时间:
      return IDB_GETTIME;
    case Ctl::图形按钮_开始校准:
      return IDB_CALIBRATE;
    default:
      return 0;
  }
}

HWND CreatePlainChild(const wchar_t* windowClass, HWND parent, const ControlLayout& layout, void* param,
                      HINSTANCE instance) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  if (layout.kind == CtlKind::kPictureBox) style |= WS_CLIPCHILDREN;
  if (!layout.enabled) style |= WS_DISABLED;
  return CreateWindowExW(0, windowClass, L"", style, layout.left, layout.top, layout.width, layout.height,
                         parent, IdOf(layout.ctl), instance, param);
}

HWND CreateOne(WindowContext& ctx, const ControlLayout& layout, HWND parent) {
  ControlState& state = ctx.State(layout.ctl);
  switch (layout.kind) {
    case CtlKind::kTransparentLabel:
    case CtlKind::kLabel:
      return CreateLabel(parent, layout, ControlId(layout.ctl), ctx.instance);
    case CtlKind::kPictureButton:
      // The two main buttons have a disabled image; the title-bar buttons are never disabled.
      return CreatePictureButton(parent, layout, state, FirstImageOf(layout.ctl),
                                 layout.parent == CtlParent::kPage, ctx.instance);
    case CtlKind::kPictureBox:
      return CreatePlainChild(kPageClass, parent, layout, &ctx, ctx.instance);
    case CtlKind::kEdit:
      return CreateEditBox(parent, layout, ctx);
    case CtlKind::kComboBox:
      return CreateServerCombo(parent, layout, ctx);
    case CtlKind::kCheckBox:
      return CreateCheckBox(parent, layout, state, ctx.instance);
    case CtlKind::kCanvas: {
      HWND canvas = CreatePlainChild(kCanvasClass, parent, layout, nullptr, ctx.instance);
      if (canvas) ctx.canvas.Attach(canvas, ctx.dial.Get(), ctx.font.Get());
      return canvas;
    }
  }
  return nullptr;
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  RegisterLabelClass(instance);
  RegisterCanvasClass(instance);
  WNDCLASSW page{};
  page.lpfnWndProc = PageProc;
  page.hInstance = instance;
  page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  page.lpszClassName = kPageClass;
  RegisterClassW(&page);
}

bool CreateControls(WindowContext& ctx) {
  for (size_t i = 0; i < kCtlCount; ++i) {
    const Ctl c = static_cast<Ctl>(i);
    const ControlLayout& layout = LayoutOf(c);
    ControlState& state = ctx.State(c);
    state.ctx = &ctx;
    state.ctl = c;
    HWND parent = layout.parent == CtlParent::kWindow ? ctx.main : ctx.Hwnd(Ctl::图片框_正常页);
    HWND hwnd = parent ? CreateOne(ctx, layout, parent) : nullptr;
    if (!hwnd) return false;
    ctx.hwnds[i] = hwnd;
    // Edit boxes and the combo box have their font already: they are measured with it, and a font set
    // again would size the combo box anew.
    if (layout.kind != CtlKind::kEdit && layout.kind != CtlKind::kComboBox) {
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(ctx.font.Get()), FALSE);
    }
  }
  // Overlaps: the title-bar buttons lie on the title label, the number boxes inside their check boxes'
  // captions. The upper one must win both the drawing (the lower ones clip their siblings) and the mouse.
  SetWindowPos(ctx.Hwnd(Ctl::透明标签_标题), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (Ctl box : {Ctl::编辑框_间隔秒, Ctl::编辑框_延迟秒}) {
    SetWindowPos(ctx.Hwnd(box), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return true;
}

Ctl CtlOfWindow(const WindowContext& ctx, HWND hwnd) {
  for (int depth = 0; hwnd && depth < 2; ++depth, hwnd = GetParent(hwnd)) {
    for (size_t i = 0; i < kCtlCount; ++i) {
      if (ctx.hwnds[i] == hwnd) return static_cast<Ctl>(i);
    }
  }
  return Ctl::kCount;
}

}  // namespace lumvo
