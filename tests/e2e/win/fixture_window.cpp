// fixture_window.exe: a small window with controls of known ids, for the tests of the bench itself
// (probe.exe and the Wine session helper). It reports what reaches it on stdout, one event a line:
//   command ID CODE        WM_COMMAND from a control (BN_CLICKED = 0, EN_CHANGE = 768, ...)
//   menu ID                an item of its pop-up menu was chosen
//   pad down X Y | pad up X Y | pad rdown X Y | pad key VK | pad char CODE | pad focus
//   tray MESSAGE           the tray icon's callback (WM_LBUTTONUP = 514, WM_RBUTTONUP = 517, ...)
//   ready | close
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

namespace {

constexpr wchar_t kTitle[] = L"probe fixture 窗口";
constexpr UINT kTrayMessage = WM_APP + 1;

enum : int {
  kButton = 1000,
  kCheck = 1001,
  kEdit = 1002,
  kCombo = 1003,
  kLabel = 1004,
  kDisabled = 1005,
  kPad = 1006,
  kGroup = 1007,
  kInGroup = 1008,
};

enum : UINT { kMenuFirst = 2001, kMenuSecond = 2002, kMenuGrey = 2003, kMenuQuit = 2004 };

void Log(const char* format, long long a = 0, long long b = 0) {
  std::printf(format, a, b);
  std::printf("\n");
  std::fflush(stdout);
}

LRESULT CALLBACK PadProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      SetFocus(w);
      Log("pad down %lld %lld", static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_LBUTTONUP:
      Log("pad up %lld %lld", static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_RBUTTONDOWN:
      Log("pad rdown %lld %lld", static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_KEYDOWN:
      Log("pad key %lld", static_cast<long long>(wp));
      return 0;
    case WM_CHAR:
      Log("pad char %lld", static_cast<long long>(wp));
      return 0;
    case WM_SETFOCUS:
      Log("pad focus");
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

void ShowMenu(HWND w, int x, int y) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kMenuFirst, L"第一项");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING | MF_CHECKED, kMenuSecond, L"第二项");
  AppendMenuW(menu, MF_STRING | MF_GRAYED, kMenuGrey, L"禁用项");
  AppendMenuW(menu, MF_STRING, kMenuQuit, L"退出");
  SetForegroundWindow(w);
  const UINT chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, w, nullptr);
  DestroyMenu(menu);
  if (chosen) Log("menu %lld", chosen);
  if (chosen == kMenuQuit) PostMessageW(w, WM_CLOSE, 0, 0);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx, int cy, int id) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

NOTIFYICONDATAW TrayData(HWND w) {
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = w;
  nid.uID = 1;
  nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  nid.uCallbackMessage = kTrayMessage;
  nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(nid.szTip, L"fixture tray", 64);
  return nid;
}

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      Child(w, L"Button", L"按钮", BS_PUSHBUTTON, 10, 10, 80, 24, kButton);
      Child(w, L"Button", L"选择框", BS_AUTOCHECKBOX, 100, 10, 100, 24, kCheck);
      Child(w, L"Edit", L"12", ES_NUMBER | WS_BORDER, 10, 44, 80, 22, kEdit);
      HWND combo = Child(w, L"ComboBox", L"", CBS_DROPDOWN | WS_VSCROLL, 100, 44, 160, 120, kCombo);
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"http://a.example"));
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"http://b.example"));
      SendMessageW(combo, CB_SETCURSEL, 0, 0);
      Child(w, L"Static", L"标签", SS_NOTIFY, 10, 80, 80, 20, kLabel);
      HWND off = Child(w, L"Button", L"禁用", BS_PUSHBUTTON, 100, 80, 80, 24, kDisabled);
      EnableWindow(off, FALSE);
      Child(w, L"FixturePad", L"pad", WS_BORDER, 10, 120, 120, 80, kPad);
      HWND group = Child(w, L"Static", L"", 0, 140, 120, 120, 80, kGroup);
      Child(group, L"Button", L"内层", BS_AUTOCHECKBOX, 10, 10, 100, 24, kInGroup);
      HRGN rgn = CreateRoundRectRgn(0, 0, 281, 367, 20, 20);
      if (!SetWindowRgn(w, rgn, FALSE)) DeleteObject(rgn);  // the window owns it once set
      NOTIFYICONDATAW nid = TrayData(w);
      Shell_NotifyIconW(NIM_ADD, &nid);
      return 0;
    }
    case WM_COMMAND:
      Log("command %lld %lld", LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_CONTEXTMENU: {
      POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ShowMenu(w, p.x, p.y);
      return 0;
    }
    case kTrayMessage:
      Log("tray %lld", static_cast<long long>(lp));
      return 0;
    case WM_CLOSE:
      Log("close");
      DestroyWindow(w);
      return 0;
    case WM_DESTROY: {
      NOTIFYICONDATAW nid = TrayData(w);
      Shell_NotifyIconW(NIM_DELETE, &nid);
      PostQuitMessage(0);
      return 0;
    }
  }
  return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int main() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW pad = {};
  pad.lpfnWndProc = PadProc;
  pad.hInstance = instance;
  pad.lpszClassName = L"FixturePad";
  pad.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  pad.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  RegisterClassW(&pad);

  WNDCLASSW wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"ProbeFixture";
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassW(&wc);

  HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, kTitle, WS_POPUP | WS_VISIBLE, 100, 100, 280, 366,
                           nullptr, nullptr, instance, nullptr);
  if (!w) return 1;
  Log("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
