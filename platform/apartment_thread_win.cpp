#include "platform/apartment_thread_win.h"

#include <windows.h>
#include <objbase.h>

#include <mutex>
#include <new>
#include <utility>

namespace lumvo {
namespace {

// A closing owner waits this long for an idle thread to release what it holds; the release takes a
// few milliseconds, and a window that is closing must never hang on it.
constexpr DWORD kEndBoundMs = 2000;

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

struct ApartmentThreadShared {
  explicit ApartmentThreadShared(std::function<void()> lastCall) : last(std::move(lastCall)) {}

  ScopedHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a call is waiting, or the end
  ScopedHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // the call has finished
  std::mutex lock;
  std::function<void()> call;
  std::function<void()> last;
  bool busy = false;    // a call waits or runs
  bool ending = false;  // the owner has gone or gave up: end after the current call
};

namespace {

// While idle the thread answers its own queue, as the thread of an apartment should (COM may post to
// it); the program's windows belong to another thread and never see this.
void WaitAnswering(HANDLE event) {
  while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

DWORD WINAPI ThreadMain(LPVOID parameter) {
  std::shared_ptr<ApartmentThreadShared> shared;
  {
    auto* handed = static_cast<std::shared_ptr<ApartmentThreadShared>*>(parameter);
    shared = std::move(*handed);
    delete handed;
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  for (;;) {
    WaitAnswering(shared->wake.get());
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> guard(shared->lock);
      if (shared->ending && !shared->busy) break;
      call = std::move(shared->call);
    }
    if (call) call();
    std::lock_guard<std::mutex> guard(shared->lock);
    shared->busy = false;
    if (shared->ending) break;
    SetEvent(shared->done.get());
  }
  if (shared->last) shared->last();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

}  // namespace

ApartmentThread::ApartmentThread(std::function<void()> last)
    : shared_(std::make_shared<ApartmentThreadShared>(std::move(last))) {
  if (!shared_->wake.get() || !shared_->done.get()) return;
  auto* handed = new (std::nothrow) std::shared_ptr<ApartmentThreadShared>(shared_);
  if (!handed) return;
  thread_ = CreateThread(nullptr, 0, ThreadMain, handed, 0, nullptr);
  if (!thread_) delete handed;
}

ApartmentThread::~ApartmentThread() {
  if (!thread_) return;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->ending = true;
  }
  SetEvent(shared_->wake.get());
  if (!givenUp_) WaitForSingleObject(thread_, kEndBoundMs);
  CloseHandle(thread_);
}

bool ApartmentThread::Run(std::function<void()> call, uint32_t boundMs) {
  if (!thread_ || givenUp_) return false;
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->call = std::move(call);
    shared_->busy = true;
  }
  SetEvent(shared_->wake.get());
  // A plain wait: nothing of this thread's queue is dispatched while the call runs.
  if (WaitForSingleObject(shared_->done.get(), boundMs) == WAIT_OBJECT_0) return true;
  std::lock_guard<std::mutex> guard(shared_->lock);
  if (!shared_->busy) {
    // It finished right at the bound and has signalled; take that signal so the next call waits anew.
    WaitForSingleObject(shared_->done.get(), 0);
    return true;
  }
  givenUp_ = true;
  shared_->ending = true;
  return false;
}

}  // namespace lumvo
