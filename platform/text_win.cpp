#include "platform/text_win.h"

#include <windows.h>

#include <climits>

namespace lumvo {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring WidenGbk(std::string_view gbk) {
  if (gbk.empty() || gbk.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  const int inLength = static_cast<int>(gbk.size());
  const int length = MultiByteToWideChar(kGbk, 0, gbk.data(), inLength, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  const int written = MultiByteToWideChar(kGbk, 0, gbk.data(), inLength, &wide[0], length);
  wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return wide;
}

std::string NarrowGbk(std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int inLength = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(kGbk, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string gbk(static_cast<size_t>(length), '\0');
  const int written = WideCharToMultiByte(kGbk, 0, wide.data(), inLength, &gbk[0], length, nullptr, nullptr);
  gbk.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return gbk;
}

}  // namespace lumvo
