#include "ui/window_adapters_win.h"

#include <memory>

#include "platform/text_win.h"
#include "ui/layout.h"
#include "ui/menu_win.h"

namespace lumvo {

// ---- Controls -----------------------------------------------------------------------------------

std::string WinControls::Text(Ctl c) {
  HWND hwnd = ctx_.Hwnd(c);
  const int length = hwnd ? GetWindowTextLengthW(hwnd) : 0;
  if (length <= 0) return std::string();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], length + 1)));
  return NarrowGbk(text);
}

void WinControls::SetText(Ctl c, std::string_view text) {
  if (HWND hwnd = ctx_.Hwnd(c)) SetWindowTextW(hwnd, WidenGbk(text).c_str());
}

bool WinControls::Checked(Ctl c) {
  HWND hwnd = ctx_.Hwnd(c);
  return hwnd && SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void WinControls::SetChecked(Ctl c, bool on) {
  if (HWND hwnd = ctx_.Hwnd(c)) SendMessageW(hwnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool WinControls::Enabled(Ctl c) {
  HWND hwnd = ctx_.Hwnd(c);
  return hwnd && IsWindowEnabled(hwnd);
}

void WinControls::Enable(Ctl c, bool on) {
  if (HWND hwnd = ctx_.Hwnd(c)) EnableWindow(hwnd, on);
}

void WinControls::Focus(Ctl c) {
  HWND hwnd = ctx_.Hwnd(c);
  if (!hwnd) return;
  ctx_.lastFocus = hwnd;  // also where the focus returns when the window is activated
  SetFocus(hwnd);
}

int WinControls::ComboCount() {
  HWND hwnd = ctx_.Hwnd(Ctl::组合框1);
  const LRESULT count = hwnd ? SendMessageW(hwnd, CB_GETCOUNT, 0, 0) : 0;
  return count > 0 ? static_cast<int>(count) : 0;
}

std::string WinControls::ComboItem(int index) {
  HWND hwnd = ctx_.Hwnd(Ctl::组合框1);
  if (!hwnd || index < 0) return std::string();
  const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length <= 0) return std::string();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  if (copied == CB_ERR || copied < 0) return std::string();
  text.resize(static_cast<size_t>(copied));
  return NarrowGbk(text);
}

int WinControls::Width(Ctl c) {
  RECT rc{};
  if (HWND hwnd = ctx_.Hwnd(c)) GetClientRect(hwnd, &rc);
  return rc.right - rc.left;
}

int WinControls::Height(Ctl c) {
  RECT rc{};
  if (HWND hwnd = ctx_.Hwnd(c)) GetClientRect(hwnd, &rc);
  return rc.bottom - rc.top;
}

// ---- MainWindow ---------------------------------------------------------------------------------

int WinMainWindow::Left() {
  RECT rc{};
  GetWindowRect(ctx_.main, &rc);
  return rc.left;
}

int WinMainWindow::Top() {
  RECT rc{};
  GetWindowRect(ctx_.main, &rc);
  return rc.top;
}

void WinMainWindow::MoveTo(int x, int y) {
  SetWindowPos(ctx_.main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Each coordinate is its own move, as the parking rules describe.
void WinMainWindow::SetLeft(int x) { MoveTo(x, Top()); }
void WinMainWindow::SetTop(int y) { MoveTo(Left(), y); }

void WinMainWindow::SetTopmost(bool on) {
  SetWindowPos(ctx_.main, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int WinMainWindow::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int WinMainWindow::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void WinMainWindow::CloseMainWindow() {
  // Queued, so the handler that asks finishes its remaining steps before the window goes.
  PostMessageW(ctx_.main, kMsgClose, 0, 0);
}

void WinMainWindow::ShowMainMenu() { ShowPopupMenu(ctx_); }

void WinMainWindow::RoundWindowCorners(int corner) {
  RECT rc{};
  if (!GetWindowRect(ctx_.main, &rc)) return;
  RegionHandle region(
      CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, corner, corner));
  if (!region) return;
  // On success the window owns the region and deletes it itself.
  if (SetWindowRgn(ctx_.main, region.Get(), TRUE)) region.Release();
}

void WinMainWindow::ApplyFlatControlLook() {
  ctx_.flatLook = true;
  RedrawWindow(ctx_.main, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE);
}

void WinMainWindow::SetTrayIcon() { ctx_.tray.Set(ctx_.instance, ctx_.main); }

void WinMainWindow::RemoveTrayIcon() { ctx_.tray.Remove(); }

void WinMainWindow::SetFooterCaption(std::string_view text) {
  // Called from the notice thread: the caption is set by the window's own thread, from a copy.
  auto copy = std::make_unique<std::string>(text);
  if (PostMessageW(ctx_.main, kMsgFooterCaption, 0, reinterpret_cast<LPARAM>(copy.get()))) copy.release();
}

}  // namespace lumvo
