#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "fakes.h"
#include "update/notice.h"

namespace lumvo::testing {
namespace {

TEST(TextBetweenTest, TakesTheTextBetweenTheFirstMarkers) {
  const struct {
    std::string text, opening, closing, expected;
  } cases[] = {
      {"ab#网站Orvane网站#cd", "#网站", "网站#", "Orvane"},
      {"#网站网易网站# #网站Orvane网站#", "#网站", "网站#", "网易"},
      {"[a][b]", "[", "]", "a"},
      {"]x[a]", "[", "]", ""},  // the closing marker is searched from the start
      {"[a", "[", "]", ""},     // no closing marker
      {"a]b", "[", "]", ""},    // no opening marker
      {"[]", "[", "]", ""},
      {"[]]", "[", "]", ""},
      {"#网站#", "#网站", "网站#", ""},           // the markers overlap
      {"Tag:VALUE;tag:value;", "tag:", ";", ""},  // case matters: "tag:" comes after the first ";"
  };
  for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.opening, c.closing), c.expected) << c.text;
}

TEST(TextBetweenTest, MatchesBeginOnlyOnCharacterBoundaries) {
  // GBK 网 is CD F8. The text opens with the characters B0 CD and F8 B0, so the bytes CD F8 occur first
  // across a character boundary; only the real 网 later on counts.
  const std::string text = "\xB0\xCD\xF8\xB0\x41网B]";  // \x41 is A
  EXPECT_EQ(TextBetween(text, "网", "]"), "B");
  // The same bytes with a plain first character: now they do begin a character.
  EXPECT_EQ(TextBetween("x\xCD\xF8Q]", "网", "]"), "Q");
}

TEST(NoticeNumberValueTest, ReadsTheLongestLeadingDecimalNumber) {
  const struct {
    std::string text;
    double expected;
  } cases[] = {
      {"3.6", 3.6},
      {"  4", 4},
      {"\xA1\xA1\x35", 5},                         // a full-width blank, then 5
      {"\xA3\xB3\xA3\xAE\xA3\xB6\xA3\xB1", 3.61},  // full-width 3.61
      {"\xA3\xAD\xA3\xB2", -2},                    // full-width -2
      {"3.6.1", 3.6},
      {"3.10", 3.1},
      {"+.5x", 0.5},
      {"1e2", 100},
      {"1E-1", 0.1},
      {"2e", 2},
      {"2e+", 2},
      {"1e-999", 0},
      {"", 0},
      {".", 0},
      {"-", 0},
      {"abc", 0},
      {"inf", 0},
      {"nan", 0},
      {"infinity", 0},
      {"0x10", 0},
      {"v3.6", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NoticeNumberValue(c.text), c.expected) << c.text;
  EXPECT_TRUE(std::isinf(NoticeNumberValue("1e999")));
}

TEST(IsWebAddressTest, AcceptsOnlyHttpAndHttps) {
  for (const char* address : {"http://www.lumvo.com/download/LumvoTime.exe", "HTTPS://www.lumvo.com/",
                              "http://127.0.0.1:8080/?a=b"}) {
    EXPECT_TRUE(IsWebAddress(address)) << address;
  }
  for (const char* address :
       {"", "C:\\Windows\\System32\\calc.exe", "calc.exe", "file:///C:/Windows/System32/calc.exe",
        "\\\\server\\share\\setup.exe", "javascript:alert(1)", "mailto:a@b.c",
        "ms-settings:", " http://www.lumvo.com/", "http://www.lumvo.com/ x", "http://a/\"--x",
        "http://a/\r\nb", "http://", "httpx://a/"}) {
    EXPECT_FALSE(IsWebAddress(address)) << address;
  }
}

// ---- The check over fakes ----

struct Notice {
  std::string tag, status, statusAddress, newest, download;

  std::string Text() const {
    // Fields in no particular order, with text around and between them.
    return "Lumvo notice\r\n#最新版本" + newest + "最新版本#\r\n#状态文本" + status + "状态文本#" + "#网站" +
           tag + "网站#\r\n#下载地址" + download + "下载地址#\r\n#状态网址" + statusAddress +
           "状态网址#\r\nend";
  }
};

class FakeFetcher : public ResourceFetcher {
 public:
  std::map<std::string, std::string> bodies;
  std::vector<std::string> fetched;

  std::string FetchResource(std::string_view address) override {
    fetched.emplace_back(address);
    auto it = bodies.find(std::string(address));
    return it == bodies.end() ? std::string() : it->second;
  }
};

const char kPrimary[] = "http://127.0.0.1:8001/notice/time.dat";
const char kBackup[] = "http://127.0.0.1:8002/notice/time.html";
const char kInitialFooterUrl[] = "http://wpa.lumvo.com/chat";

class UpdateCheckTest : public ::testing::Test {
 protected:
  struct Box {
    std::string text, title;
    uint32_t style;
  };

  UpdateCheckTest() { fp.p.state.FooterUrl.Set(kInitialFooterUrl); }

  FakeProgram fp;
  FakeTimer updateTimer;
  FakeFetcher fetcher;
  std::vector<Box> boxes;
  int answer = kOfferAccepted;
  UpdateContext context{fp.p,
                        updateTimer,
                        {EncipherHexText(kPrimary), EncipherHexText(kBackup)},
                        [this](std::string_view text, std::string_view title, uint32_t style) {
                          boxes.push_back({std::string(text), std::string(title), style});
                          return answer;
                        }};

  // Published as the maintainer's tool makes them.
  void ServePrimary(const Notice& n) { fetcher.bodies[kPrimary] = EncipherNoticeBody(n.Text()); }
  void ServeBackup(const Notice& n) {
    fetcher.bodies[kBackup] = "<html><body><p>" + EncipherPageNotice(n.Text(), true) + "</p></body></html>";
  }
  void ExpectNothingChanged() {
    EXPECT_EQ(fp.window.footer, "");
    EXPECT_EQ(fp.p.state.FooterUrl.Get(), kInitialFooterUrl);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(fp.shell.opened.empty());
  }
};

TEST_F(UpdateCheckTest, TimerFiresOnceAndTheCheckNeedsAConnection) {
  const struct {
    int connected;
    bool starts;
  } cases[] = {{1, true}, {0, false}, {18, false}, {-1, false}};
  for (const auto& c : cases) {
    FakeProgram program;
    FakeTimer timer;
    timer.SetPeriod(2000);
    program.network.answer = c.connected;
    UpdateContext ctx{program.p, timer, {}, {}};
    EXPECT_EQ(BeginUpdateCheck(ctx), c.starts) << c.connected;
    EXPECT_EQ(timer.period, 0u);
    program.network.answer = 1;
    EXPECT_FALSE(BeginUpdateCheck(ctx)) << "no second check in a run, " << c.connected;
  }
}

TEST_F(UpdateCheckTest, PrimaryNoticeIsAppliedAndTheBackupNeverAsked) {
  ServePrimary({"Orvane", "新版 3.7 已发布", "http://www.lumvo.com/news", "3.7",
                "http://www.lumvo.com/download/LumvoTime.exe"});
  ServeBackup({"网易", "backup", "http://backup/", "9", "http://backup/dl"});

  EXPECT_TRUE(CheckForUpdate(context, fetcher));
  EXPECT_EQ(fetcher.fetched, std::vector<std::string>{kPrimary});
  EXPECT_EQ(fp.window.footer, "新版 3.7 已发布");
  EXPECT_EQ(fp.p.state.FooterUrl.Get(), "http://www.lumvo.com/news");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "发现新版本 \r\n当前版本：3.6\r\n最新版本：3.7\r\n点确定下载新版！");
  EXPECT_EQ(boxes[0].title, "Lumvo自动校时 V3.6");
  EXPECT_EQ(boxes[0].style, 33u | 0x2000u);
  EXPECT_EQ(fp.shell.opened, std::vector<std::string>{"http://www.lumvo.com/download/LumvoTime.exe"});
}

TEST_F(UpdateCheckTest, BackupPageServesWhenThePrimaryFails) {
  const Notice backup{"网易", "来自备用来源", "https://www.lumvo.com/b", "3.6", ""};
  const std::string validBlock = EncipherData(Notice{"Orvane", "primary", "", "", ""}.Text(), kNoticeKeyText);
  const struct {
    const char* why;
    bool served;
    std::string body;
  } failures[] = {
      {"unreachable", false, ""},
      {"empty body", true, ""},
      {"not whole blocks", true, validBlock.substr(0, validBlock.size() - 3)},
      {"wrong key", true, EncipherData(Notice{"Orvane", "primary", "", "", ""}.Text(), "123456789")},
      {"tag of the other source", true,
       EncipherData(Notice{"网易", "primary", "", "", ""}.Text(), kNoticeKeyText)},
      {"plain text notice", true, Notice{"Orvane", "primary", "", "", ""}.Text()},
  };
  for (const auto& f : failures) {
    fetcher = FakeFetcher();
    fp.window.footer.clear();
    if (f.served) fetcher.bodies[kPrimary] = f.body;
    ServeBackup(backup);
    EXPECT_TRUE(CheckForUpdate(context, fetcher)) << f.why;
    EXPECT_EQ(fetcher.fetched, (std::vector<std::string>{kPrimary, kBackup})) << f.why;
    EXPECT_EQ(fp.window.footer, "来自备用来源") << f.why;
    EXPECT_EQ(fp.p.state.FooterUrl.Get(), "https://www.lumvo.com/b") << f.why;
  }
  EXPECT_TRUE(boxes.empty());  // 3.6 is no newer version
}

TEST_F(UpdateCheckTest, NothingChangesWhenNeitherSourceHasANotice) {
  const std::string hex = EncipherHexText(Notice{"网易", "backup", "http://b/", "9", "http://b/dl"}.Text());
  const std::string open(kPageNoticeOpen), close(kPageNoticeClose);
  const struct {
    const char* why;
    std::string page;
  } pages[] = {
      {"no page", ""},
      {"no closing marker", open + hex},
      {"closing marker first", close + " " + open + hex + close},
      {"odd number of digits", open + hex + "A" + close},
      {"tag of the other source", open + EncipherHexText(Notice{"Orvane", "b", "", "9", ""}.Text()) + close},
      {"notice not enciphered", open + Notice{"网易", "backup", "", "9", ""}.Text() + close},
  };
  for (const auto& p : pages) {
    fetcher = FakeFetcher();
    fetcher.bodies[kBackup] = p.page;
    EXPECT_FALSE(CheckForUpdate(context, fetcher)) << p.why;
    EXPECT_EQ(fetcher.fetched.size(), 2u) << p.why;
    ExpectNothingChanged();
  }
}

TEST_F(UpdateCheckTest, FooterChangesOnlyWithAStatusText) {
  ApplyNotice(context, Notice{"Orvane", "", "http://www.lumvo.com/ignored", "", ""}.Text());
  ExpectNothingChanged();

  ApplyNotice(context, Notice{"Orvane", "只有文字", "", "", ""}.Text());
  EXPECT_EQ(fp.window.footer, "只有文字");
  EXPECT_EQ(fp.p.state.FooterUrl.Get(), "");  // a click on the footer now opens nothing
}

TEST_F(UpdateCheckTest, FooterNeverLinksToAnythingButAWebPage) {
  for (const char* address : {"C:\\Windows\\System32\\calc.exe", "file:///C:/Windows/System32/cmd.exe",
                              "\\\\evil\\share\\run.exe", "javascript:alert(1)", " http://spaced/"}) {
    fp.p.state.FooterUrl.Set(kInitialFooterUrl);
    ApplyNotice(context, Notice{"Orvane", "点这里", address, "", ""}.Text());
    EXPECT_EQ(fp.window.footer, "点这里") << address;
    EXPECT_EQ(fp.p.state.FooterUrl.Get(), "") << address;
  }
}

TEST_F(UpdateCheckTest, OfferOnlyForAVersionNewerThanThisOne) {
  const struct {
    std::string newest;
    bool offered;
  } cases[] = {{"3.6000001", false}, {"3.6000002", true}, {"3.61", true},   {"4", true},
               {"\xA3\xB4", true},   {"3.10", false},     {"3.6.1", false}, {"3.6", false},
               {"", false},          {"新版", false},     {"inf", false},   {"3.5", false}};
  for (const auto& c : cases) {
    boxes.clear();
    ApplyNotice(context, Notice{"Orvane", "", "", c.newest, "http://www.lumvo.com/dl"}.Text());
    ASSERT_EQ(boxes.size(), c.offered ? 1u : 0u) << c.newest;
    if (c.offered) {
      EXPECT_NE(boxes[0].text.find("最新版本：" + c.newest + "\r\n"), std::string::npos);
    }
  }
}

TEST_F(UpdateCheckTest, DownloadOpensOnlyWhenAcceptedAndOnlyAWebPage) {
  const struct {
    int answer;
    std::string download;
    bool opened;
  } cases[] = {
      {kOfferAccepted, "https://www.lumvo.com/dl/LumvoTime.zip", true},
      {2, "https://www.lumvo.com/dl/LumvoTime.zip", false},  // Cancel, or the box closed
      {kOfferAccepted, "C:\\Windows\\System32\\cmd.exe", false},
      {kOfferAccepted, "file:///C:/setup.exe", false},
      {kOfferAccepted, "", false},
  };
  for (const auto& c : cases) {
    fp.shell.opened.clear();
    answer = c.answer;
    ApplyNotice(context, Notice{"Orvane", "", "", "9.0", c.download}.Text());
    EXPECT_EQ(fp.shell.opened.size(), c.opened ? 1u : 0u) << c.answer << " " << c.download;
  }
}

TEST(BuiltInNoticeSourcesTest, DecipherToTheMakersAddresses) {
  const NoticeSources sources = BuiltInNoticeSources();
  EXPECT_EQ(DecipherHexText(sources.primary), "http://www.lumvo.com/notice/lumvotime/time.dat");
  EXPECT_EQ(DecipherHexText(sources.backup), "http://www.lumvo.com/notice/lumvotime/time-notice.html");
}

}  // namespace
}  // namespace lumvo::testing
