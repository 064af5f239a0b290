// Countdown texts: whatever a hand-edited settings file or a paste puts into a number box.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/tick.h"
#include "fakes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double v = lumvo::TextToNumber(text);
  if (std::isnan(v) || std::isinf(v)) __builtin_trap();  // such a count would never run out
  (void)lumvo::NumberToText(v);

  lumvo::testing::FakeControls ui;
  ui.state[lumvo::Ctl::编辑框_延迟秒].text = text;
  double before = v;
  for (int step = 0; step < 3; ++step) {
    if (lumvo::StepTextCountdown(ui, lumvo::Ctl::编辑框_延迟秒)) break;
    const double after = lumvo::TextToNumber(ui.Text(lumvo::Ctl::编辑框_延迟秒));
    // Every step that did not run out counts down. From 1e12 on, the 13 digits of the text cannot show a
    // step of one; such a count lasts longer than thirty thousand years anyway.
    if (before < 1e12 && !(after < before)) __builtin_trap();
    before = after;
  }
  return 0;
}
