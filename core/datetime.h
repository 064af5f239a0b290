// Local calendar date and time in whole seconds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumvo {

// Counted in seconds from 1899-12-30 00:00:00, the epoch of the OLE date; the zero value is that instant
// ("no time yet"). Every value the program makes is a whole second, so integer seconds keep it exact.
struct DateTime {
  int64_t seconds = 0;

  friend bool operator==(DateTime a, DateTime b) { return a.seconds == b.seconds; }
  friend bool operator!=(DateTime a, DateTime b) { return a.seconds != b.seconds; }
};

struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int dayOfWeek = 0;  // 0 = Sunday, as in SYSTEMTIME
};

// The valid range, 0100-01-01 00:00:00 to 9999-12-31 23:59:59; the first is also the invalid value.
DateTime MinDateTime();
DateTime MaxDateTime();
inline DateTime InvalidDateTime() { return MinDateTime(); }
bool InRange(DateTime t);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Builds a value from calendar fields without range checks (callers check first).
DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second);
CivilTime SplitDateTime(DateTime t);

inline DateTime AddSeconds(DateTime t, int64_t s) { return DateTime{t.seconds + s}; }
inline DateTime AddHours(DateTime t, int64_t h) { return DateTime{t.seconds + h * 3600}; }

// "%04d-%02d-%02d  %02d:%02d:%02d": two blanks between date and time.
std::string FormatDateTime(DateTime t);

// Six fields read from the left (year up to 4 digits, the rest up to 2), one separator skipped after
// each of the first five; a rejected text gives the invalid value.
DateTime DateTimeFromText(std::string_view text);

}  // namespace lumvo
