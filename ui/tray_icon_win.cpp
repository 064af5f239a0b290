#include "ui/tray_icon_win.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/text_win.h"
#include "ui/res/resource.h"
#include "ui/tray.h"

namespace lumvo {
namespace {

constexpr const char* kTrayTip = "Lumvo自动校时";
constexpr size_t kTipBytes = 62;

// At most kTipBytes bytes (the first record layout's field holds 64), never half of a double-byte
// character.
void CopyTip(char* field, const char* text) {
  size_t n = 0;
  for (size_t i = 0; text[i] && i < kTipBytes;) {
    const size_t width = static_cast<unsigned char>(text[i]) >= 0x81 && text[i + 1] ? 2 : 1;
    if (i + width > kTipBytes) break;
    i += width;
    n = i;
  }
  std::memcpy(field, text, n);
  field[n] = '\0';
}

HICON LoadProgramIcon(HINSTANCE instance) {
  const int sizes[][2] = {{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)},
                          {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}};
  for (const auto& size : sizes) {
    auto icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_LUMVO), IMAGE_ICON, size[0], size[1], LR_DEFAULTCOLOR));
    if (icon) return icon;
  }
  return nullptr;
}

}  // namespace

bool TrayIcon::Notify(DWORD action, HICON icon) {
  // The first record layout: every shell since Windows 95 takes it. The wide form of that layout, so the
  // Chinese tip reads right whatever the system's code page is (the ANSI call would convert the GBK tip
  // through that code page).
  NOTIFYICONDATAW nid{};
  nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
  nid.hWnd = owner_;
  nid.uID = kTrayIconId;
  if (action != NIM_DELETE) {
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = icon;
    char tip[kTipBytes + 1];
    CopyTip(tip, kTrayTip);
    const std::wstring wide = WidenGbk(tip);
    wcsncpy(nid.szTip, wide.c_str(), sizeof nid.szTip / sizeof nid.szTip[0] - 1);
  }
  return Shell_NotifyIconW(action, &nid) != FALSE;
}

void TrayIcon::Set(HINSTANCE instance, HWND owner) {
  IconHandle icon(LoadProgramIcon(instance));
  if (!icon) return;
  owner_ = owner;
  if (present_) {
    Notify(NIM_MODIFY, icon.Get());
  } else {
    // A refusal (no tray yet at log-on) is silent; TaskbarCreated brings the icon once there is one.
    Notify(NIM_ADD, icon.Get());
    present_ = true;
  }
  icon_ = std::move(icon);  // the previous icon, if any, is destroyed here
}

void TrayIcon::Remove() {
  if (!present_) return;
  Notify(NIM_DELETE, nullptr);
  present_ = false;
  icon_.Reset();
}

void TrayIcon::AddAgain() {
  if (present_) Notify(NIM_ADD, icon_.Get());
}

}  // namespace lumvo
