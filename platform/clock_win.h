// The computer's clock through Win32.
#pragma once

#include "core/ports.h"

namespace lumvo {

class WinClock final : public Clock {
 public:
  DateTime LocalNow() override;
  uint32_t TickCount() override;
  bool SetLocalTime(const CivilTime& t) override;
};

}  // namespace lumvo
