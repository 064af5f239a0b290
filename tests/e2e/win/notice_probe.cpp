// Runs the notice check the way the window's timer does (its own thread, WinINet) against two given
// source addresses, answering the offer box with Cancel, and prints what the notice changed. For trying
// the Windows half by hand, for example under Wine against loopback servers.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "tests/unit/fakes.h"
#include "update/update_check_win.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: notice_probe PRIMARY-ADDRESS BACKUP-ADDRESS\n");
    return 2;
  }
  lumvo::testing::FakeProgram fp;
  fp.p.state.FooterUrl.Set("http://initial/");
  lumvo::testing::FakeTimer timer;
  timer.SetPeriod(2000);

  std::mutex mutex;
  std::condition_variable shown;
  bool offered = false;
  std::string offer;
  lumvo::UpdateContext context{fp.p,
                               timer,
                               {lumvo::EncipherHexText(argv[1]), lumvo::EncipherHexText(argv[2])},
                               [&](std::string_view text, std::string_view title, uint32_t style) {
                                 std::lock_guard<std::mutex> lock(mutex);
                                 offer = std::string(title) + "|" + std::string(text) + "|" +
                                         std::to_string(style);
                                 offered = true;
                                 shown.notify_all();
                                 return 2;  // Cancel
                               }};
  lumvo::OnUpdateTimer(context);
  std::printf("timer period %u\n", static_cast<unsigned>(timer.period));

  std::unique_lock<std::mutex> lock(mutex);
  if (!shown.wait_for(lock, std::chrono::seconds(30), [&] { return offered; })) {
    std::printf("no offer within 30 s\n");
    return 1;
  }
  // The footer is written before the offer, on the same thread.
  std::printf("footer %s\nfooter url %s\noffer %s\n", fp.window.footer.c_str(),
              fp.p.state.FooterUrl.Get().c_str(), offer.c_str());
  return 0;
}
