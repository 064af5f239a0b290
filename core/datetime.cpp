#include "core/datetime.h"

#include <cstdio>

namespace lumvo {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's days_from_civil).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

constexpr int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

DateTime MinDateTime() { return MakeDateTime(100, 1, 1, 0, 0, 0); }
DateTime MaxDateTime() { return MakeDateTime(9999, 12, 31, 23, 59, 59); }

bool InRange(DateTime t) { return t.seconds >= MinDateTime().seconds && t.seconds <= MaxDateTime().seconds; }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays;
  return DateTime{days * kSecondsPerDay + hour * 3600 + minute * 60 + second};
}

CivilTime SplitDateTime(DateTime t) {
  const int64_t days = FloorDiv(t.seconds, kSecondsPerDay);
  const int64_t rest = t.seconds - days * kSecondsPerDay;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days + kEpochDays, y, m, d);
  CivilTime c;
  c.year = static_cast<int>(y);
  c.month = static_cast<int>(m);
  c.day = static_cast<int>(d);
  c.hour = static_cast<int>(rest / 3600);
  c.minute = static_cast<int>(rest / 60 % 60);
  c.second = static_cast<int>(rest % 60);
  // 1970-01-01 was a Thursday.
  const int64_t unixDays = days + kEpochDays;
  c.dayOfWeek = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);
  return c;
}

std::string FormatDateTime(DateTime t) {
  const CivilTime c = SplitDateTime(t);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d  %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                c.second);
  return buf;
}

DateTime DateTimeFromText(std::string_view text) {
  static const int kDigits[6] = {4, 2, 2, 2, 2, 2};
  int field[6] = {};
  size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    for (int n = 0; n < kDigits[i] && pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++n, ++pos)
      field[i] = field[i] * 10 + (text[pos] - '0');
    if (i < 5 && pos < text.size()) {
      const char c = text[pos];
      if (c == '-' || c == '/' || c == '.' || c == ':' || (i == 2 && c == ' ')) ++pos;
    }
  }
  if (pos != text.size()) return InvalidDateTime();
  const int year = field[0], month = field[1], day = field[2];
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      field[3] > 23 || field[4] > 59 || field[5] > 59)
    return InvalidDateTime();
  return MakeDateTime(year, month, day, field[3], field[4], field[5]);
}

}  // namespace lumvo
