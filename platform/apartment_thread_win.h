// A thread with a COM apartment of its own that runs one call at a time for an owner who waits for each
// call without dispatching any window message, and who gives up waiting after a bound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace lumvo {

struct ApartmentThreadShared;

class ApartmentThread {
 public:
  // `last` runs on the thread after its last call, before the thread leaves its apartment, so whatever
  // the calls made there is released there, also when the owner gave up waiting for them.
  explicit ApartmentThread(std::function<void()> last);
  // Ends the thread: waits briefly for it when it is idle; a thread given up ends by itself.
  ~ApartmentThread();
  ApartmentThread(const ApartmentThread&) = delete;
  ApartmentThread& operator=(const ApartmentThread&) = delete;

  // Runs `call` on the thread and waits up to `boundMs` for it to finish. False when the thread never
  // started, when an earlier call was given up, or when this one is still running at the bound: the
  // thread is then given up for good; it finishes that call, runs `last` and ends on its own.
  // Anything `call` touches must therefore stay alive without the owner (hold it by shared_ptr).
  bool Run(std::function<void()> call, uint32_t boundMs);

 private:
  std::shared_ptr<ApartmentThreadShared> shared_;
  void* thread_ = nullptr;
  bool givenUp_ = false;
};

}  // namespace lumvo
