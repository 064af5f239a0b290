#include "platform/clock_win.h"

#include <windows.h>

namespace lumvo {

DateTime WinClock::LocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return MakeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

uint32_t WinClock::TickCount() { return GetTickCount(); }

bool WinClock::SetLocalTime(const CivilTime& t) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wDayOfWeek = static_cast<WORD>(t.dayOfWeek);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = 0;
  return ::SetLocalTime(&st) != FALSE;
}

}  // namespace lumvo
