// The notice check's timer and thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "update/notice.h"

namespace lumvo {

// The handler of 时钟_更新's periodic event, on the user-interface thread: stops the timer and, when
// connected, starts the check thread. `context` must stay alive until the process ends.
void OnUpdateTimer(UpdateContext& context);

// MessageBoxW without an owner window, the GBK texts widened by code page 936 so they read right on any
// system code page. The UpdateContext's message box.
int GbkMessageBox(std::string_view text, std::string_view title, uint32_t style);

}  // namespace lumvo
