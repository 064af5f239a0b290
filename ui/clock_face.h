// The small analog clock on the main page.
#pragma once

#include "core/program.h"

namespace lumvo {

struct ClockHands {
  Point hour, minute, second;
};

ClockHands ComputeClockHands(Point centre, int hour, int minute, int second);
// Half the canvas's width and height, each truncated: (40, 40) for 80 x 80 and for 81 x 81.
Point ComputeClockCentre(int width, int height);
void DrawClockFace(Program& p);

}  // namespace lumvo
