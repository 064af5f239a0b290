#include "platform/pump_win.h"

namespace lumvo {
namespace {

void Dispatch(const MSG& msg, const MessageWatch& watch) {
  if (watch) watch(msg);
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

void WinPump::DispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    Dispatch(msg, watch_);
  }
}

int RunMessageLoop(const MessageWatch& watch, const std::function<bool()>& finished) {
  MSG msg;
  while (!finished()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    Dispatch(msg, watch);
  }
  return 0;
}

}  // namespace lumvo
