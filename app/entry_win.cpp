// Program entry. (The window is filled in by the user-interface layer.)
#include <windows.h>

static LRESULT CALLBACK StubProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = StubProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"LumvoTimeMain";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Lumvo自动校时v3.5", WS_POPUP | WS_VISIBLE,
                              (GetSystemMetrics(SM_CXSCREEN) - 280) / 2, (GetSystemMetrics(SM_CYSCREEN) - 366) / 2,
                              280, 366, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
