#include <gtest/gtest.h>

#include <algorithm>

#include "core/server_query.h"
#include "fakes.h"

namespace lumvo::testing {
namespace {

class FetchServerTimeTest : public ::testing::Test {
 protected:
  FakeClock clock;
  FakeHttp http{clock};
  DateTime standard = MakeDateTime(2001, 1, 1, 0, 0, 0);

  bool Fetch(const std::string& server) { return FetchServerTime(http, clock, server, standard); }
};

TEST_F(FetchServerTimeTest, AsksWithHeadForTheFixedPathWithoutRedirects) {
  http.scripts.push_back({true, "Thu, 19 Nov 2015 03:18:29 GMT", 350, {}});
  ASSERT_TRUE(Fetch("http://example.test"));
  EXPECT_EQ(FormatDateTime(standard), "2015-11-19  11:18:29");
  const std::vector<std::string> expected = {"create",
                                             "timeouts 5000 5000 10000 5000",
                                             "option 6 0",
                                             "open HEAD http://example.test/123.123 sync",
                                             "send",
                                             "header Date",
                                             "release"};
  EXPECT_EQ(http.log, expected);
}

TEST_F(FetchServerTimeTest, AddsTheWholeSecondsOfTheRoundTrip) {
  const struct {
    uint32_t elapsedMs;
    const char* expected;
  } cases[] = {{0, "2015-11-19  11:18:29"},
               {999, "2015-11-19  11:18:29"},
               {1999, "2015-11-19  11:18:30"},
               {2400, "2015-11-19  11:18:31"}};
  for (const auto& c : cases) {
    http.scripts.push_back({true, "Thu, 19 Nov 2015 03:18:29 GMT", c.elapsedMs, {}});
    ASSERT_TRUE(Fetch("http://a"));
    EXPECT_EQ(FormatDateTime(standard), c.expected) << c.elapsedMs << " ms";
  }
}

TEST_F(FetchServerTimeTest, ElapsedTimeSurvivesTheTickCounterWrapping) {
  clock.ticks = 0xFFFFFF00u;  // 256 ms before the wrap; the request takes 1500 ms
  http.scripts.push_back({true, "Thu, 19 Nov 2015 03:18:29 GMT", 1500, {}});
  ASSERT_TRUE(Fetch("http://a"));
  EXPECT_EQ(FormatDateTime(standard), "2015-11-19  11:18:30");
}

TEST_F(FetchServerTimeTest, CarriesTheEightHoursIntoTheNextMonth) {
  http.scripts.push_back({true, "Mon, 30 Nov 2015 16:30:00 GMT", 1200, {}});
  ASSERT_TRUE(Fetch("http://a"));
  EXPECT_EQ(FormatDateTime(standard), "2015-12-01  00:30:01");
}

TEST_F(FetchServerTimeTest, FailuresLeaveTheStandardTimeAndReleaseTheObject) {
  const DateTime before = standard;
  const struct {
    FakeHttp::Script script;
    const char* what;
  } cases[] = {{{false, "", 0, {}}, "object not created"},
               {{true, "", 0, {}}, "no Date header"},
               {{true, "Thu, 19 Nov 2015 03:18:29 UTC", 0, {}}, "Date refused by the parser"}};
  for (const auto& c : cases) {
    http.scripts.push_back(c.script);
    EXPECT_FALSE(Fetch("http://a")) << c.what;
    EXPECT_EQ(standard, before) << c.what;
    EXPECT_EQ(http.live, 0) << c.what;
  }
}

TEST_F(FetchServerTimeTest, UsesTheServerTextUnchanged) {
  http.scripts.push_back({true, "", 0, {}});
  http.scripts.push_back({true, "", 0, {}});
  Fetch("http://a/");
  Fetch("");
  EXPECT_NE(std::find(http.log.begin(), http.log.end(), "open HEAD http://a//123.123 sync"), http.log.end());
  EXPECT_NE(std::find(http.log.begin(), http.log.end(), "open HEAD /123.123 sync"), http.log.end());
}

}  // namespace
}  // namespace lumvo::testing
