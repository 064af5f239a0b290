// query.exe [--messages] SERVER... : asks each server in turn for its time, as the program does, with
// the real WinHTTP object and the real clock. One line per server on stdout:
//   ok <time> (<ms> ms)      the standard time the answer gave
//   fail <time> (<ms> ms)    the standard time still held (from an earlier server, or the zero value)
// The held value carries from one server to the next, so a failure can be seen to leave it alone.
//
// With --messages the query runs on a thread with a window, as in the program: before each query the
// window is posted a message and given a 20 ms timer, and each line ends with
//   during <n> after <m>
// the messages of the window handled while the query ran, and those handled by a message loop after it.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/server_query.h"
#include "platform/clock_win.h"
#include "platform/winhttp_request_win.h"

namespace {

constexpr UINT kPosted = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;
int handled = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kPosted || message == WM_TIMER) {
    ++handled;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumvoQueryMessages";
  if (!RegisterClassW(&wc)) return nullptr;
  return CreateWindowW(wc.lpszClassName, L"query", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                       wc.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  const bool watchMessages = argc > 1 && std::strcmp(argv[1], "--messages") == 0;
  if (watchMessages) ++first;
  if (argc <= first) {
    std::fprintf(stderr, "usage: query [--messages] SERVER...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "COM could not be initialised\n");
    return 2;
  }
  HWND window = watchMessages ? MakeWindow() : nullptr;
  if (watchMessages && !window) {
    std::fprintf(stderr, "no window\n");
    return 2;
  }
  int status = 0;
  {
    lumvo::WinHttpRequestFactory http;
    lumvo::WinClock clock;
    lumvo::DateTime standardTime;
    for (int i = first; i < argc; ++i) {
      if (window) {
        PostMessageW(window, kPosted, 0, 0);
        SetTimer(window, kTimerId, 20, nullptr);
        handled = 0;
      }
      const DWORD start = GetTickCount();
      const bool ok = lumvo::FetchServerTime(http, clock, argv[i], standardTime);
      const DWORD ms = GetTickCount() - start;
      std::printf("%s %s (%lu ms)", ok ? "ok" : "fail", lumvo::FormatDateTime(standardTime).c_str(),
                  static_cast<unsigned long>(ms));
      if (window) {
        const int during = handled;
        Sleep(30);  // the timer is then due for certain
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        KillTimer(window, kTimerId);
        std::printf(" during %d after %d", during, handled - during);
      }
      std::printf("\n");
      std::fflush(stdout);
      if (!ok) status = 1;
    }
  }
  if (window) DestroyWindow(window);
  CoUninitialize();
  return status;
}
