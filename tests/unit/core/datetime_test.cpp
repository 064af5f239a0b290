#include <gtest/gtest.h>

#include "core/datetime.h"
#include "core/http_date.h"

namespace lumvo {
namespace {

const DateTime kNow = MakeDateTime(2026, 12, 11, 9, 30, 0);

struct ParseCase {
  const char* header;
  bool ok;
  const char* formatted;  // FormatDateTime of the value; the fallback `kNow` when refused
};

class ParseHttpDateTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHttpDateTest, ReadsTheHeader) {
  const ParseCase& c = GetParam();
  const HttpDateResult r = ParseHttpDate(c.header, kNow);
  EXPECT_EQ(r.ok, c.ok) << '"' << c.header << '"';
  EXPECT_EQ(FormatDateTime(r.value), c.formatted) << '"' << c.header << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseHttpDateTest,
    ::testing::Values(
        ParseCase{"Thu, 19 Nov 2015 03:18:29 GMT", true, "2015-11-19  03:18:29"},
        ParseCase{"Thu, 19 Nov 2015 03:18:29 GMT ", true, "2015-11-19  03:18:29"},  // trailing blank
        ParseCase{" Thu, 19 Nov 2015 03:18:29 GMT", false, "2026-12-11  09:30:00"},  // leading blank
        ParseCase{"Thu, 19 Nov 2015  03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 Nov 2015  GMT", true, "2015-11-19  00:00:00"},  // empty time token
        ParseCase{"anything 19 Nov 2015 03:18:29 GMT", true, "2015-11-19  03:18:29"},
        ParseCase{"Thu, 19 Nov 2015 03:18:29 UTC", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 Nov 2015 03:18:29 gmt", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 Nov 2015 03:18:29 +0000", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 nov 2015 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 NOV 2015 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 Nov 2008 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 19 Nov 2009 03:18:29 GMT", true, "2009-11-19  03:18:29"},
        ParseCase{"Thu, 19 Nov 5000 03:18:29 GMT", true, "5000-11-19  03:18:29"},
        ParseCase{"Thu, 19 Nov 5001 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 0 Nov 2015 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 32 Nov 2015 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu, 31 Feb 2015 03:18:29 GMT", true, "0100-01-01  00:00:00"},
        ParseCase{"Thu, 29 Feb 2015 03:18:29 GMT", true, "0100-01-01  00:00:00"},
        ParseCase{"Thu, 29 Feb 2016 03:18:29 GMT", true, "2016-02-29  03:18:29"},
        ParseCase{"Thu, 19 Nov 2015 24:00:00 GMT", true, "0100-01-01  00:00:00"},
        ParseCase{"Thu, 19 Nov 2015 12:60:00 GMT", true, "0100-01-01  00:00:00"},
        ParseCase{"Thu, 19 Nov 2015 3:8:9 GMT", true, "2015-11-19  03:08:09"},
        ParseCase{"Thu, 19 Nov 2015 03:18 GMT", true, "2015-11-19  03:18:00"},
        ParseCase{"Thu, 19 Nov 2015 031829 GMT", true, "2015-11-19  03:18:29"},
        ParseCase{"Thu, 19 Nov 2015 03:18:29.5 GMT", true, "0100-01-01  00:00:00"},
        ParseCase{"Thu, 19 Nov 2015x 03:18:29 GMT", true, "0100-01-01  00:00:00"},
        ParseCase{"Thu, 05 Nov 2015 03:18:29 GMT", true, "2015-11-05  03:18:29"},
        ParseCase{"Thursday, 19-Nov-15 03:18:29 GMT", false, "2026-12-11  09:30:00"},
        ParseCase{"Thu Nov 19 03:18:29 2015", false, "2026-12-11  09:30:00"},
        ParseCase{"", false, "2026-12-11  09:30:00"},
        ParseCase{"a b c 99999999999999999999 e GMT", false, "2026-12-11  09:30:00"}));

TEST(DateTimeFromText, RejectsWhatIsOutOfRangeOrLeftOver) {
  struct {
    const char* text;
    const char* formatted;
  } cases[] = {
      {"2015-11-19 03:18:29", "2015-11-19  03:18:29"},
      {"2015/11/19 3.18.29", "2015-11-19  03:18:29"},
      {"20151119031829", "2015-11-19  03:18:29"},
      {"2000-02-29 00:00:00", "2000-02-29  00:00:00"},
      {"1900-02-29 00:00:00", "0100-01-01  00:00:00"},
      {"0099-12-31 23:59:59", "0100-01-01  00:00:00"},
      {"9999-12-31 23:59:59", "9999-12-31  23:59:59"},
      {"2015-13-01 00:00:00", "0100-01-01  00:00:00"},
      {"2015-11-19 03:18:29 ", "0100-01-01  00:00:00"},
      {"", "0100-01-01  00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(DateTimeFromText(c.text)), c.formatted) << c.text;
}

TEST(DateTime, CarriesAcrossDaysMonthsAndYears) {
  EXPECT_EQ(FormatDateTime(AddSeconds(MakeDateTime(2015, 12, 31, 23, 59, 59), 1)), "2016-01-01  00:00:00");
  EXPECT_EQ(FormatDateTime(AddHours(MakeDateTime(2015, 11, 30, 16, 30, 0), 8)), "2015-12-01  00:30:00");
  EXPECT_EQ(FormatDateTime(AddSeconds(MakeDateTime(2016, 2, 28, 23, 59, 59), 1)), "2016-02-29  00:00:00");
  EXPECT_EQ(FormatDateTime(MinDateTime()), "0100-01-01  00:00:00");
  EXPECT_EQ(FormatDateTime(DateTime{}), "1899-12-30  00:00:00");
}

TEST(DateTime, SplitsIntoFieldsWithTheDayOfWeek) {
  const CivilTime c = SplitDateTime(MakeDateTime(2015, 11, 18, 9, 5, 7));
  EXPECT_EQ(FormatDateTime(MakeDateTime(2015, 11, 18, 9, 5, 7)), "2015-11-18  09:05:07");
  EXPECT_EQ(c.dayOfWeek, 3);  // Wednesday
  EXPECT_EQ(SplitDateTime(MakeDateTime(100, 1, 1, 0, 0, 0)).dayOfWeek, 5);   // proleptic Gregorian: Friday
  EXPECT_EQ(SplitDateTime(MakeDateTime(1899, 12, 29, 12, 0, 0)).day, 29);  // before the epoch
}

}  // namespace
}  // namespace lumvo
