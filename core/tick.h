// The one-second tick and the countdowns held as edit-box texts.
#pragma once

#include <string>
#include <string_view>

#include "core/program.h"

namespace lumvo {

void OnSecondTick(Program& p);
// One step of a countdown held in `box`'s text; true when it has run out (text left as it is).
bool StepTextCountdown(Controls& ui, Ctl box);

// Full-width GBK characters with an ASCII counterpart turned into it, then read as a decimal number.
double TextToNumber(std::string_view text);
std::string NumberToText(double value);  // "%.13g"

}  // namespace lumvo
