// Waiting on the user-interface thread while its messages keep flowing.
#pragma once

#include "core/ports.h"

namespace lumvo {

// Dispatches pending messages until the tick counter has passed its start reading plus `ms`;
// 0 or less returns at once.
void PauseWithDispatch(MessagePump& pump, Clock& clock, int ms);

}  // namespace lumvo
