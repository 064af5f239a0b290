// The program's texts are GBK whatever the system's ANSI code page is; the wide Win32 calls get them
// converted with code page 936, so an English Windows still shows and names things in Chinese.
#pragma once

#include <string>
#include <string_view>

namespace lumvo {

// GBK bytes to UTF-16. Bytes that are no GBK character come out as a substitute character.
std::wstring WidenGbk(std::string_view gbk);
// UTF-16 to GBK bytes. A character GBK cannot hold becomes "?".
std::string NarrowGbk(std::wstring_view wide);

}  // namespace lumvo
