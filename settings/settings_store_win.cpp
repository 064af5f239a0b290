#include "settings/settings_store_win.h"

#include <windows.h>

#include <vector>

namespace lumvo {

namespace {

constexpr DWORD kReadBuffer = 10240;  // with its terminator: at most 10239 bytes of a value

// Handed to the profile function in place of the caller's default, which it would trim of trailing
// blanks. No setting holds these control bytes.
constexpr const char kAbsent[] = "\x01\x02\x03";

}  // namespace

std::string WinSettingsStore::ReadSetting(std::string_view section, std::string_view key, std::string_view def) {
  const std::string sectionText(section), keyText(key);
  std::vector<char> buffer(kReadBuffer);
  const DWORD length = GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), kAbsent, buffer.data(),
                                                kReadBuffer, path_.c_str());
  std::string value(buffer.data(), length < kReadBuffer ? length : kReadBuffer - 1);
  if (value == kAbsent) return std::string(def.substr(0, kReadBuffer - 1));
  return value;
}

void WinSettingsStore::WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sectionText(section), keyText(key);
  const std::string valueText(value.substr(0, value.find_first_of("\r\n")));
  WritePrivateProfileStringA(sectionText.c_str(), keyText.c_str(), valueText.c_str(), path_.c_str());
}

}  // namespace lumvo
