// The program's icon in the notification area.
#pragma once

#include <windows.h>

#include "platform/gdi_win.h"

namespace lumvo {

class TrayIcon {
 public:
  TrayIcon() = default;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Loads the program's icon (the small image, else the large one) and adds it with the tip, or
  // replaces the icon already there. Without an icon nothing changes.
  void Set(HINSTANCE instance, HWND owner);
  void Remove();
  // Explorer started again ("TaskbarCreated"): its new tray knows nothing of ours.
  void AddAgain();

 private:
  bool Notify(DWORD action, HICON icon);

  HWND owner_ = nullptr;
  IconHandle icon_;
  bool present_ = false;
};

}  // namespace lumvo
