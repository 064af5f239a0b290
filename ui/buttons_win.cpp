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
    case BM_GETCHECK:
      return state->checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      if (state->checked != (wp == BST_CHECKED)) {
        state->checked = wp == BST_CHECKED;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ButtonSubclass, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

HWND CreateOwnerDrawnButton(HWND parent, const ControlLayout& layout, ControlState& state,
                            HINSTANCE instance) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_OWNERDRAW;
  if (!layout.enabled) style |= WS_DISABLED;
  HWND hwnd = CreateWindowExW(0, WC_BUTTONW, WidenGbk(layout.caption).c_str(), style, layout.left, layout.top,
                              layout.width, layout.height, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(layout.ctl))), instance,
                              nullptr);
  if (hwnd) SetWindowSubclass(hwnd, ButtonSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(&state));
  return hwnd;
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

}  // namespace

HWND CreatePictureButton(HWND parent, const ControlLayout& layout, ControlState& state, int firstImage,
                         bool hasDisabledImage, HINSTANCE instance) {
  const int count = hasDisabledImage ? 4 : 3;
  for (int i = 0; i < count; ++i) {
    state.images[static_cast<size_t>(i)].Reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(firstImage + i), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  return CreateOwnerDrawnButton(parent, layout, state, instance);
}

HWND CreateCheckBox(HWND parent, const ControlLayout& layout, ControlState& state, HINSTANCE instance) {
  state.checked = layout.checked;
  return CreateOwnerDrawnButton(parent, layout, state, instance);
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

void DrawCheckBox(const DRAWITEMSTRUCT& item, const ControlState& state, const WindowContext& ctx) {
  HDC dc = item.hDC;
  const RECT& rc = item.rcItem;
  FillRect(dc, &rc, ctx.whiteBrush.Get());
  const int top = rc.top + (rc.bottom - rc.top - kBoxSize) / 2;
  RECT box{rc.left, top, rc.left + kBoxSize, top + kBoxSize};
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  if (ctx.flatLook) {
    FillSolid(dc, box, (item.itemState & ODS_SELECTED) ? kPressedFill : RGB(255, 255, 255));
    FrameRect(dc, &box, ctx.flatBorderBrush.Get());
    if (state.checked) DrawTick(dc, box, disabled ? GetSysColor(COLOR_GRAYTEXT) : kCaptionBlue);
  } else {
    UINT frame = DFCS_BUTTONCHECK;
    if (state.checked) frame |= DFCS_CHECKED;
    if (item.itemState & ODS_SELECTED) frame |= DFCS_PUSHED;
    if (disabled) frame |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, frame);
  }

  wchar_t caption[128];
  const int length = GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
  RECT text = rc;
  text.left = box.right + kBoxToCaption;
  DcStateScope saved(dc);
  SelectScope font(dc, ctx.font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : kCaptionBlue);
  DrawTextW(dc, caption, length, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT measured = text;
    DrawTextW(dc, caption, length, &measured,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    measured.top = rc.top + 1;
    measured.bottom = rc.bottom - 1;
    InflateRect(&measured, 1, 0);
    DrawFocusRect(dc, &measured);
  }
}

}  // namespace lumvo
