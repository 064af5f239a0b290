// One owner for the plain handles of the kernel, the registry and WinINet: closed once, never copied.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace lumvo {

template <typename Handle, auto Close>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  void Reset(Handle handle = Handle{}) {
    if (handle_) Close(handle_);
    handle_ = handle;
  }
  // For calls that hand a new handle back through a pointer.
  Handle* Receive() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_{};
};

using KernelHandle = ScopedHandle<HANDLE, CloseHandle>;
using RegistryKey = ScopedHandle<HKEY, RegCloseKey>;
using InternetHandle = ScopedHandle<HINTERNET, InternetCloseHandle>;

}  // namespace lumvo
