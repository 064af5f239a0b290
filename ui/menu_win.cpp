#include "ui/menu_win.h"

#include <string>

#include "platform/text_win.h"
#include "ui/layout.h"

namespace lumvo {
namespace {

constexpr int kItemHeight = 22;
constexpr int kTextIndent = 24;
constexpr int kTextRightPad = 20;
constexpr COLORREF kHighlight = RGB(220, 233, 244);
constexpr COLORREF kMenuText = RGB(30, 60, 90);

const MenuItem* ItemOf(ULONG_PTR data) {
  for (const MenuItem& item : kMainMenu) {
    if (reinterpret_cast<ULONG_PTR>(&item) == data) return &item;
  }
  return nullptr;
}

}  // namespace

void ShowPopupMenu(WindowContext& ctx) {
  HWND hwnd = ctx.main;
  if (!IsWindow(hwnd)) return;
  MenuHandle menu(CreatePopupMenu());
  if (!menu.Get()) return;
  for (const MenuItem& item : kMainMenu) {
    if (item.action == MenuAction::kSeparator) {
      AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    } else {
      // Drawn by the program, and still carrying its text for anyone who reads the menu.
      std::wstring caption = WidenGbk(item.caption);
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_DATA;
      info.fType = MFT_OWNERDRAW;
      info.wID = static_cast<UINT>(item.command);
      info.dwItemData = reinterpret_cast<ULONG_PTR>(&item);
      info.dwTypeData = &caption[0];
      InsertMenuItemW(menu.Get(), GetMenuItemCount(menu.Get()), TRUE, &info);
    }
  }
  // Foreground first and WM_NULL after: without them a menu opened from the tray icon stays open when
  // the user clicks elsewhere.
  SetForegroundWindow(hwnd);
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(menu.Get(), TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x - 5, at.y - 5, 0, hwnd,
                 nullptr);
  PostMessageW(hwnd, WM_NULL, 0, 0);
}

bool MeasureMenuItem(const WindowContext& ctx, MEASUREITEMSTRUCT& item) {
  if (item.CtlType != ODT_MENU) return false;
  const MenuItem* entry = ItemOf(item.itemData);
  if (!entry) return false;
  const std::wstring caption = WidenGbk(entry->caption);
  WindowDc dc(ctx.main, false);
  SelectScope font(dc.Get(), ctx.font.Get());
  SIZE size{};
  GetTextExtentPoint32W(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &size);
  item.itemWidth = static_cast<UINT>(kTextIndent + size.cx + kTextRightPad);
  item.itemHeight = kItemHeight;
  return true;
}

bool DrawMenuItem(const WindowContext& ctx, const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_MENU) return false;
  const MenuItem* entry = ItemOf(item.itemData);
  if (!entry) return false;
  HDC dc = item.hDC;
  RECT rc = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  BrushHandle fill(CreateSolidBrush(selected ? kHighlight : RGB(255, 255, 255)));
  FillRect(dc, &rc, fill.Get());
  if (selected) FrameRect(dc, &rc, ctx.flatBorderBrush.Get());
  const std::wstring caption = WidenGbk(entry->caption);
  RECT text = rc;
  text.left += kTextIndent;
  DcStateScope saved(dc);
  SelectScope font(dc, ctx.font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, (item.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : kMenuText);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return true;
}

}  // namespace lumvo
