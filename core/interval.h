// Interval synchronisation: a fetch every N seconds while 选择框_间隔校时 is checked.
#pragma once

#include "core/program.h"

namespace lumvo {

void OnIntervalTick(Program& p);
void StartIntervalTimer(Program& p);
void StopIntervalTimer(Program& p);

}  // namespace lumvo
