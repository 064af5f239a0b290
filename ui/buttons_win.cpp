#include "ui/buttons_win.h"

#include <commctrl.h>

#include <string>

#include "platform/text_win.h"
#include "ui/layout.h"

namespace lumvo {
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr int kBoxSize = 13;
constexpr int kBoxToCaption = 4;
constexpr COLORREF kPressedFill = RGB(226, 236, 245);

enum Image { kNormal, kHover, kPressed, kDisabled };

LRESULT CALLBACK ButtonSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<ControlState*>(data);
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button reports a fast second click as a double click; here it is one more click.
      return DefSubclassProc(hwnd, WM_LBUTTONDOWN, wp, lp);
    case WM_ERASEBKGND:
      return 1;  // the drawing covers the whole button
    case WM_MOUSEMOVE:
      if (!state->hover) {
        state->hover = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      state->hover = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ButtonSubclass, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

HWND CreateButton(HWND parent, const ControlLayout& layout, DWORD type, HINSTANCE instance) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | type;
  if (!layout.enabled) style |= WS_DISABLED;
  return CreateWindowExW(0, WC_BUTTONW, WidenGbk(layout.caption).c_str(), style, layout.left, layout.top,
                         layout.width, layout.height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(layout.ctl))), instance,
                         nullptr);
}

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
  BrushHandle brush(CreateSolidBrush(colour));
  FillRect(dc, &rc, brush.Get());
}

// A tick drawn as two strokes, two pixels thick.
void DrawTick(HDC dc, const RECT& box, COLORREF colour) {
  PenHandle pen(CreatePen(PS_SOLID, 1, colour));
  SelectScope selected(dc, pen.Get());
  const int x = box.left + 3, y = box.top + 5;
  for (int row = 0; row < 2; ++row) {
    const POINT stroke[] = {{x, y + row}, {x + 2, y + 2 + row}, {x + 7, y - 3 + row}};
    Polyline(dc, stroke, 3);
  }
}

void PaintCheckBox(HWND hwnd, HDC dc, const WindowContext& ctx) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  const LRESULT state = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  const bool checked = (state & BST_CHECKED) != 0;
  const bool pushed = (state & BST_PUSHED) != 0;
  const bool disabled = !IsWindowEnabled(hwnd);
  FillRect(dc, &rc, ctx.whiteBrush.Get());
  const int top = rc.top + (rc.bottom - rc.top - kBoxSize) / 2;
  RECT box{rc.left, top, rc.left + kBoxSize, top + kBoxSize};
  if (ctx.flatLook) {
    FillSolid(dc, box, pushed ? kPressedFill : RGB(255, 255, 255));
    FrameRect(dc, &box, ctx.flatBorderBrush.Get());
    if (checked) DrawTick(dc, box, disabled ? GetSysColor(COLOR_GRAYTEXT) : kCaptionBlue);
  } else {
    UINT frame = DFCS_BUTTONCHECK;
    if (checked) frame |= DFCS_CHECKED;
    if (pushed) frame |= DFCS_PUSHED;
    if (disabled) frame |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, frame);
  }

  wchar_t caption[128];
  const int length = GetWindowTextW(hwnd, caption, static_cast<int>(std::size(caption)));
  RECT text = rc;
  text.left = box.right + kBoxToCaption;
  DcStateScope saved(dc);
  SelectScope font(dc, ctx.font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : kCaptionBlue);
  const UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  DrawTextW(dc, caption, length, &text, format);
  const bool focusHidden = (SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
  if ((state & BST_FOCUS) && !focusHidden) {
    RECT measured = text;
    DrawTextW(dc, caption, length, &measured, format | DT_CALCRECT);
    measured.top = rc.top + 1;
    measured.bottom = rc.bottom - 1;
    InflateRect(&measured, 1, 0);
    DrawFocusRect(dc, &measured);
  }
}

// Messages on which the system's check box draws itself at once, outside WM_PAINT; the program's
// drawing goes over it before anything reaches the screen.
bool DrawsDirectly(HWND hwnd, UINT msg) {
  switch (msg) {
    case BM_SETCHECK:
    case BM_SETSTATE:
    case BM_CLICK:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CAPTURECHANGED:
    case WM_UPDATEUISTATE:
    case WM_SYSCOLORCHANGE:
      return true;
    case WM_MOUSEMOVE:
      return GetCapture() == hwnd;
    default:
      return false;
  }
}

LRESULT CALLBACK CheckBoxSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  const ControlState& state = *reinterpret_cast<const ControlState*>(data);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(hwnd);
      PaintCheckBox(hwnd, paint.Get(), *state.ctx);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintCheckBox(hwnd, reinterpret_cast<HDC>(wp), *state.ctx);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, CheckBoxSubclass, kSubclassId);
      return DefSubclassProc(hwnd, msg, wp, lp);
    default:
      break;
  }
  const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
  if (DrawsDirectly(hwnd, msg) && IsWindow(hwnd)) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  return result;
}

}  // namespace

HWND CreatePictureButton(HWND parent, const ControlLayout& layout, ControlState& state, int firstImage,
                         bool hasDisabledImage, HINSTANCE instance) {
  const int count = hasDisabledImage ? 4 : 3;
  for (int i = 0; i < count; ++i) {
    state.images[static_cast<size_t>(i)].Reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(firstImage + i), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  HWND hwnd = CreateButton(parent, layout, BS_OWNERDRAW, instance);
  if (hwnd) SetWindowSubclass(hwnd, ButtonSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(&state));
  return hwnd;
}

HWND CreateCheckBox(HWND parent, const ControlLayout& layout, ControlState& state, HINSTANCE instance) {
  HWND hwnd = CreateButton(parent, layout, BS_AUTOCHECKBOX, instance);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, BM_SETCHECK, layout.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  SetWindowSubclass(hwnd, CheckBoxSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(&state));
  return hwnd;
}

void DrawPictureButton(const DRAWITEMSTRUCT& item, const ControlState& state) {
  Image which = kNormal;
  if (item.itemState & ODS_DISABLED) {
    which = kDisabled;
  } else if (item.itemState & ODS_SELECTED) {
    which = kPressed;
  } else if (state.hover) {
    which = kHover;
  }
  HBITMAP image = state.images[which].Get();
  if (!image) image = state.images[kNormal].Get();
  if (!image) return;
  MemoryDc source;
  SelectScope selected(source.Get(), image);
  const RECT& rc = item.rcItem;
  BitBlt(item.hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, source.Get(), 0, 0, SRCCOPY);
}

}  // namespace lumvo
