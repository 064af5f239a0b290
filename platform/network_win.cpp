#include "platform/network_win.h"

#include <windows.h>
#include <wininet.h>

namespace lumvo {

int WinNetwork::InternetGetConnectedState() {
  DWORD flags = 0;
  return ::InternetGetConnectedState(&flags, 0);
}

}  // namespace lumvo
