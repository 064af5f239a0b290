#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <random>
#include <string>

#include "update/des.h"
#include "update/notice_format.h"

namespace lumvo::testing {
namespace {

// The nine-digit key text folded onto eight bytes by hand: its ninth byte '2' lands on byte 0.
Des NoticeDes() { return Des(DesBlock{'9' ^ '2', '1', '6', '2', '4', '0', '7', '5'}, DesKeyBits::kMirrored); }

// Enciphers plain bytes as they stand, so a test can write any length prefix it likes.
std::string EncipherRaw(const std::string& plain) {
  const Des des = NoticeDes();
  std::string out;
  for (size_t at = 0; at < plain.size(); at += 8) {
    DesBlock b;
    for (size_t i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(plain[at + i]);
    for (uint8_t x : des.Encipher(b)) out.push_back(static_cast<char>(x));
  }
  return out;
}

std::string WithPrefix(int32_t length, std::string rest) {
  std::string plain;
  const auto bits = static_cast<uint32_t>(length);
  for (int i = 0; i < 4; ++i) plain.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  return plain + rest;
}

TEST(DecipherDataTest, LengthPrefixMustFitTheBlocks) {
  const struct {
    int32_t length;
    std::string rest;  // the bytes after the prefix, padding included
    std::string expected;
  } cases[] = {
      {4, "ABCD", "ABCD"},
      {5, "ABCD", ""},  // 5 > 8 - 4
      {5, std::string("ABCDE\0\0\0", 8) + "\0\0\0\0", "ABCDE"},
      {12, "ABCDEFGHIJKL", "ABCDEFGHIJKL"},
      {4, std::string("ABCD", 4) + std::string(8, '\0'), ""},  // a whole block of padding too many
      {3, std::string("AB\0C", 4), std::string("AB\0", 3)},    // the payload is taken as it stands
      {0, "ABCD", ""},
      {-1, "ABCD", ""},
      {INT32_MAX, "ABCD", ""},
      {INT32_MIN, "ABCD", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecipherData(EncipherRaw(WithPrefix(c.length, c.rest)), kNoticeKeyText), c.expected)
        << "prefix " << c.length << ", " << c.rest.size() + 4 << " bytes";
  }
}

TEST(DecipherDataTest, SizeThatIsNoWholeNumberOfBlocksGivesNothing) {
  const std::string good = EncipherRaw(WithPrefix(4, "ABCD")) + EncipherRaw(WithPrefix(4, "EFGH"));
  for (size_t n : {0, 1, 7, 9, 15}) EXPECT_EQ(DecipherData(good.substr(0, n), kNoticeKeyText), "") << n;
}

TEST(DecipherDataTest, WrongKeyGivesNothing) {
  const std::string block = EncipherData("#网站Orvane网站#", kNoticeKeyText);
  EXPECT_EQ(DecipherData(block, "91624075"), "");
  EXPECT_EQ(DecipherData(block, "916240753"), "");
}

TEST(DecipherDataTest, EncipheringRoundTripsEveryLength) {
  std::mt19937 random(7);
  for (size_t n = 1; n <= 40; ++n) {
    std::string payload;
    for (size_t i = 0; i < n; ++i) payload.push_back(static_cast<char>(random()));
    const std::string block = EncipherData(payload, kNoticeKeyText);
    EXPECT_EQ(block.size(), (n + 4 + 7) / 8 * 8) << n;
    EXPECT_EQ(DecipherData(block, kNoticeKeyText), payload) << n;
  }
}

TEST(ReadAsTextTest, StopsAtTheFirstZeroByte) {
  EXPECT_EQ(ReadAsText(std::string("网易\0tail", 9)), "网易");
  EXPECT_EQ(ReadAsText("no zero"), "no zero");
  EXPECT_EQ(ReadAsText(std::string("\0x", 2)), "");
}

TEST(ReadHexBytesTest, ReadsPairsAfterTrimmingBlanks) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"00ff10", std::string("\x00\xFF\x10", 3)},
      {"FfAb", "\xFF\xAB"},
      {"ZZ41", std::string("\0A", 2)},  // a pair that is not hexadecimal gives 0
      {"4G41", std::string("\0A", 2)},
      {"  \xA1\xA1\x34\x31\x34\x32\xA1\xA1 ", "AB"},  // blanks around 4142
      {"\xA3\xB4\xA3\xB1", "A"},                      // full-width 4 and 1
      {"\xA3\xE6\xA3\xC6", "\xFF"},                   // full-width f and F
      {"414", ""},                                    // odd
      {"4\xA3\xB1", ""},                              // odd in bytes, though two characters
      {" ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadHexBytes(c.text), c.expected) << c.text;
}

TEST(DecipherHexTextTest, RoundTripsAndToleratesCaseAndBlanks) {
  const std::string address = "http://127.0.0.1:8080/notice/time.dat";
  const std::string hex = EncipherHexText(address);
  EXPECT_EQ(hex.size() % 16, 0u);
  EXPECT_TRUE(
      std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(c) && !std::islower(c); }));
  EXPECT_EQ(DecipherHexText(hex), address);

  std::string lower = hex;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return std::tolower(c); });
  EXPECT_EQ(DecipherHexText(" \xA1\xA1" + lower + "\xA1\xA1  "), address);

  EXPECT_EQ(DecipherHexText(hex.substr(1)), "");                  // odd
  EXPECT_EQ(DecipherHexText(hex.substr(0, hex.size() - 2)), "");  // a block short
  EXPECT_EQ(DecipherHexText(""), "");
}

}  // namespace
}  // namespace lumvo::testing
