#include "ui/fields_win.h"

#include <commctrl.h>

#include "platform/text_win.h"
#include "ui/layout.h"

namespace lumvo {
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr COLORREF kButtonFace = RGB(235, 242, 248);

int LineHeight(HWND hwnd, HFONT font) {
  WindowDc dc(hwnd, false);
  SelectScope selected(dc.Get(), font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.Get(), &tm);
  return tm.tmHeight;
}

// The rows between the border and the text's client area, which the edit itself never paints.
// Window coordinates: (0, 0) is the top left corner of the border.
void PaintEditFrame(HWND hwnd, const ControlState& state) {
  WindowDc dc(hwnd, true);
  RECT screen{};
  GetWindowRect(hwnd, &screen);
  RECT window{0, 0, screen.right - screen.left, screen.bottom - screen.top};
  RECT client{};
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -screen.left, -screen.top);

  // White like the text area (the window answers WM_CTLCOLOR* with white for enabled and disabled boxes).
  RECT inner = window;
  InflateRect(&inner, -1, -1);
  const RECT above{inner.left, inner.top, inner.right, client.top};
  const RECT below{inner.left, client.bottom, inner.right, inner.bottom};
  if (above.bottom > above.top) FillRect(dc.Get(), &above, state.ctx->whiteBrush.Get());
  if (below.bottom > below.top) FillRect(dc.Get(), &below, state.ctx->whiteBrush.Get());
  if (state.ctx->flatLook) FrameRect(dc.Get(), &window, state.ctx->flatBorderBrush.Get());
}

LRESULT CALLBACK EditSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  const ControlState& state = *reinterpret_cast<const ControlState*>(data);
  switch (msg) {
    case WM_CHAR:
      if (LayoutOf(state.ctl).digitsOnly && !NumberBoxAccepts(static_cast<uint32_t>(wp))) return 0;
      break;
    case WM_NCCALCSIZE:
      if (wp) {
        const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
        auto* sizes = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp);
        const int pad = state.verticalPad;
        sizes->rgrc[0].top += pad;
        sizes->rgrc[0].bottom -= pad;
        return result;
      }
      break;
    case WM_NCPAINT: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      PaintEditFrame(hwnd, state);
      return result;
    }
    case WM_ENABLE: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EditSubclass, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// The combo draws a sunken edge and a raised button inside its client area; with the flat look both are
// drawn over after the combo has painted.
void PaintFlatCombo(HWND hwnd, const WindowContext& ctx) {
  WindowDc dc(hwnd, false);
  RECT rc{};
  GetClientRect(hwnd, &rc);
  FrameRect(dc.Get(), &rc, ctx.flatBorderBrush.Get());
  RECT inner = rc;
  InflateRect(&inner, -1, -1);
  FrameRect(dc.Get(), &inner, ctx.whiteBrush.Get());

  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(hwnd, &info)) return;
  RECT button = info.rcButton;
  button.top = inner.top;
  button.bottom = inner.bottom;
  button.right = inner.right;
  const bool dropped = SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0) != 0;
  BrushHandle face(CreateSolidBrush(dropped ? RGB(214, 228, 240) : kButtonFace));
  FillRect(dc.Get(), &button, face.Get());
  RECT divider{button.left, button.top, button.left + 1, button.bottom};
  FillRect(dc.Get(), &divider, ctx.flatBorderBrush.Get());

  // A small downward triangle in the middle of the button.
  const int cx = (button.left + 1 + button.right) / 2, cy = (button.top + button.bottom) / 2 - 1;
  BrushHandle arrow(CreateSolidBrush(kCaptionBlue));
  for (int row = 0; row < 4; ++row) {
    RECT line{cx - 3 + row, cy - 1 + row, cx + 4 - row, cy + row};
    FillRect(dc.Get(), &line, arrow.Get());
  }
}

LRESULT CALLBACK ComboSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  const ControlState& state = *reinterpret_cast<const ControlState*>(data);
  switch (msg) {
    case WM_PAINT: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      if (state.ctx->flatLook) PaintFlatCombo(hwnd, *state.ctx);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ComboSubclass, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

HMENU IdOf(Ctl c) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(c))); }

}  // namespace

HWND CreateEditBox(HWND parent, const ControlLayout& layout, WindowContext& ctx) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL;
  style |= layout.align == TextAlign::kCentre ? ES_CENTER : ES_LEFT;
  if (!layout.enabled) style |= WS_DISABLED;
  HWND hwnd = CreateWindowExW(WS_EX_STATICEDGE, WC_EDITW, WidenGbk(layout.caption).c_str(), style,
                              layout.left, layout.top, layout.width, layout.height, parent, IdOf(layout.ctl),
                              ctx.instance, nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // 0: as long as the system allows
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(ctx.font.Get()), FALSE);
  RECT client{};
  GetClientRect(hwnd, &client);
  const int spare = client.bottom - LineHeight(hwnd, ctx.font.Get());
  ctx.State(layout.ctl).verticalPad = spare > 1 ? spare / 2 : 0;
  SetWindowSubclass(hwnd, EditSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(&ctx.State(layout.ctl)));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  return hwnd;
}

HWND CreateServerCombo(HWND parent, const ControlLayout& layout, WindowContext& ctx) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN |
                CBS_AUTOHSCROLL | CBS_NOINTEGRALHEIGHT;
  if (!layout.enabled) style |= WS_DISABLED;
  HWND hwnd = CreateWindowExW(0, WC_COMBOBOXW, L"", style, layout.left, layout.top, layout.width,
                              layout.dropDownHeight, parent, IdOf(layout.ctl), ctx.instance, nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(ctx.font.Get()), FALSE);
  SendMessageW(hwnd, CB_LIMITTEXT, 0, 0);
  for (const char* server : kDefaultServers) {
    SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidenGbk(server).c_str()));
  }
  SendMessageW(hwnd, CB_SETCURSEL, 0, 0);
  // The closed combo is as high as the layout says: its selection field is sized to fit. How the field's
  // height relates to the whole differs between systems, so the difference is measured and corrected.
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT closed{};
    GetWindowRect(hwnd, &closed);
    const int excess = (closed.bottom - closed.top) - layout.height;
    const LRESULT field = SendMessageW(hwnd, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (excess == 0 || field == CB_ERR || field - excess <= 0) break;
    SendMessageW(hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field - excess);
  }
  SetWindowSubclass(hwnd, ComboSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(&ctx.State(layout.ctl)));
  return hwnd;
}

}  // namespace lumvo
