// The user-interface thread's message handling: the main loop and the nested dispatch that long
// handlers use to keep the window alive.
#pragma once

#include <windows.h>

#include <functional>

#include "core/ports.h"

namespace lumvo {

// Sees every message before it is dispatched (the balloon tip closes on a key or button press).
using MessageWatch = std::function<void(const MSG&)>;

class WinPump : public MessagePump {
 public:
  explicit WinPump(MessageWatch watch) : watch_(std::move(watch)) {}
  // Handles every queued message. A quit request is put back and ends the dispatching, so the main
  // loop still sees it once the handler that is pumping has returned.
  void DispatchPending() override;

 private:
  MessageWatch watch_;
};

// The main loop: runs until `finished` says so or WM_QUIT arrives, and answers the exit code.
// `finished` is asked before each wait: a quit request can be lost to a message loop that is not ours
// (one that runs inside a system call and drops WM_QUIT), so the loop cannot rely on it alone.
int RunMessageLoop(const MessageWatch& watch, const std::function<bool()>& finished);

}  // namespace lumvo
