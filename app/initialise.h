// The main window's creation handler and the clean-up at the program's end.
#pragma once

#include "core/program.h"

namespace lumvo {

void InitialiseMainWindow(Program& p);
void ExitCleanup(AppState& state);

}  // namespace lumvo
