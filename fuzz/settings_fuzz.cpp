// A settings file anyone can edit: arbitrary values for every key, then the start-up restoration, a few
// ticks and option clicks must neither fault nor lose the window.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/interval.h"
#include "core/tick.h"
#include "fakes.h"
#include "settings/options.h"
#include "ui/tray.h"

namespace {

const char* const kKeys[][2] = {{"自动校时", "自动退出"}, {"自动校时", "是否间隔"}, {"自动校时", "是否自动"},
                                {"自动校时", "秒"},       {"自动校时", "间隔秒"},   {"自动校时", "隐藏"},
                                {"lx", "fuwuqi"}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Values separated by NUL bytes, one per key in order; a missing value leaves the key out of the file.
  std::vector<std::string> values(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) values.emplace_back();
    else values.back() += static_cast<char>(data[i]);
  }
  lumvo::testing::FakeProgram f;
  for (size_t k = 0; k < values.size() && k < sizeof kKeys / sizeof kKeys[0]; ++k)
    f.settings.values[{kKeys[k][0], kKeys[k][1]}] = values[k];

  lumvo::Program& p = f.p;
  lumvo::RestoreHideOption(p);
  lumvo::RestoreServerChoice(p);
  lumvo::RestoreSyncOptions(p);
  if (!p.ui.Checked(lumvo::Ctl::选择框_自动校准)) p.state.AutoCalibrationDone = 1;
  f.network.answer = 0;  // fetches end at once: no server here
  for (int tick = 0; tick < 4; ++tick) {
    lumvo::OnSecondTick(p);
    if (f.intervalTimer.period) lumvo::OnIntervalTick(p);
  }
  lumvo::OnIntervalClick(p);
  lumvo::OnAutoCalibrateClick(p);
  lumvo::OnAutoExitClick(p);
  lumvo::OnServerComboFocusLost(p);
  // A parked window always keeps a place to come back to.
  if (p.state.WindowHidden && (p.state.SavedWindowPos.x == lumvo::kParkedPosition)) __builtin_trap();
  return 0;
}
