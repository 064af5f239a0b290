#include "update/update_check_win.h"

#include <windows.h>
#include <objbase.h>

#include <string>

#include "platform/scoped_handle_win.h"
#include "platform/text_win.h"
#include "update/resource_fetch_win.h"

namespace lumvo {
namespace {

// Kept open for the rest of the run, as the check thread's record; nothing waits on it.
KernelHandle updateThread;

// ShellExecute, which opens the download page from this thread, wants COM on the calling thread.
class ComApartment {
 public:
  ComApartment()
      : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

DWORD WINAPI CheckThread(LPVOID parameter) {
  const auto& context = *static_cast<const UpdateContext*>(parameter);
  bool applied = false;
  {
    ComApartment com;
    WinInetFetcher fetcher;
    applied = CheckForUpdate(context, fetcher);
  }
  // After a notice the thread ends with exit code -1. It returns rather than terminating itself: the
  // outcome is the same to anyone who looks, and TerminateThread could leave a heap or CRT lock held.
  return applied ? static_cast<DWORD>(-1) : 0;
}

}  // namespace

void OnUpdateTimer(UpdateContext& context) {
  if (!BeginUpdateCheck(context)) return;
  updateThread.Reset(CreateThread(nullptr, 0, CheckThread, &context, 0, nullptr));
}

int GbkMessageBox(std::string_view text, std::string_view title, uint32_t style) {
  const std::wstring wideText = WidenGbk(text);
  const std::wstring wideTitle = WidenGbk(title);
  return MessageBoxW(nullptr, wideText.c_str(), wideTitle.c_str(), style);
}

}  // namespace lumvo
