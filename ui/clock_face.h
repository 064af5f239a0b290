// The small analog clock on the main page.
#pragma once

#include "core/program.h"

namespace lumvo {

struct ClockHands {
  Point hour, minute, second;
};

ClockHands ComputeClockHands(Point centre, int hour, int minute, int second);
void DrawClockFace(Program& p);

}  // namespace lumvo
