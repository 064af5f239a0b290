// Setting the computer's clock to the standard time.
#pragma once

#include "core/program.h"

namespace lumvo {

// Bounded to the DateTime range, whole seconds, day of week filled in.
CivilTime ToSystemTime(DateTime t);
void Calibrate(Program& p);

}  // namespace lumvo
