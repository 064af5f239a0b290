#include "ui/label_win.h"

#include "platform/gdi_win.h"
#include "platform/text_win.h"
#include "ui/layout.h"

namespace lumvo {
namespace {

constexpr int kFontSlot = 0;  // window extra bytes: the font set by WM_SETFONT

const ControlLayout* LayoutOfWindow(HWND hwnd) {
  return reinterpret_cast<const ControlLayout*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// A transparent label shows what its parent paints behind it.
void PaintParentBehind(HWND hwnd, HDC dc) {
  HWND parent = GetParent(hwnd);
  POINT origin{0, 0};
  MapWindowPoints(hwnd, parent, &origin, 1);
  DcStateScope state(dc);
  SetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
}

void Paint(HWND hwnd, HDC dc) {
  const ControlLayout* layout = LayoutOfWindow(hwnd);
  if (!layout) return;
  RECT rc{};
  GetClientRect(hwnd, &rc);
  if (layout->background == kNoBackground) {
    PaintParentBehind(hwnd, dc);
  } else {
    BrushHandle fill(CreateSolidBrush(layout->background));
    FillRect(dc, &rc, fill.Get());
  }
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], length + 1)));
  DcStateScope state(dc);
  SelectScope font(dc, reinterpret_cast<HFONT>(GetWindowLongPtrW(hwnd, kFontSlot)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, layout->textColour);
  const UINT align = layout->align == TextAlign::kCentre ? DT_CENTER : DT_LEFT;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
            align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void Notify(HWND hwnd, WORD code) {
  SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code),
               reinterpret_cast<LPARAM>(hwnd));
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintScope paint(hwnd);
      Paint(hwnd, paint.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(hwnd, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETFONT:
      SetWindowLongPtrW(hwnd, kFontSlot, static_cast<LONG_PTR>(wp));
      if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(hwnd, kFontSlot);
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, FALSE);
      return result;
    }
    case WM_ENABLE:
      return 0;  // drawn the same either way
    case WM_SETCURSOR: {
      const ControlLayout* layout = LayoutOfWindow(hwnd);
      if (layout && layout->handCursor && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN:
      Notify(hwnd, kLabelPressed);
      return 0;
    case WM_LBUTTONUP:
      Notify(hwnd, kLabelReleased);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterLabelClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = LabelProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kLabelClass;
  RegisterClassW(&wc);
}

HWND CreateLabel(HWND parent, const ControlLayout& layout, int id, HINSTANCE instance) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  if (!layout.enabled) style |= WS_DISABLED;
  return CreateWindowExW(0, kLabelClass, WidenGbk(layout.caption).c_str(), style, layout.left, layout.top,
                         layout.width, layout.height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                         const_cast<ControlLayout*>(&layout));
}

}  // namespace lumvo
