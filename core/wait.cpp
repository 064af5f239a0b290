#include "core/wait.h"

namespace lumvo {

void PauseWithDispatch(MessagePump& pump, Clock& clock, int ms) {
  if (ms <= 0) return;
  const uint32_t start = clock.TickCount();
  // Elapsed time modulo 2^32, so the wait ends even when the counter wraps during it.
  do {
    pump.DispatchPending();
  } while (clock.TickCount() - start <= static_cast<uint32_t>(ms));
}

}  // namespace lumvo
