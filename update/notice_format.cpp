#include "update/notice_format.h"

#include <cstdint>
#include <vector>

#include "update/des.h"

namespace lumvo {
namespace {

constexpr size_t kBlockSize = 8;
constexpr size_t kLengthSize = 4;

DesBlock FoldKey(std::string_view keyText) {
  DesBlock key{};
  for (size_t i = 0; i < keyText.size(); ++i) key[i % kBlockSize] ^= static_cast<uint8_t>(keyText[i]);
  return key;
}

std::string CryptBlocks(std::string_view bytes, std::string_view keyText, bool decipher) {
  const Des des(FoldKey(keyText), DesKeyBits::kMirrored);
  std::string out(bytes.size(), '\0');
  for (size_t at = 0; at + kBlockSize <= bytes.size(); at += kBlockSize) {
    DesBlock block;
    for (size_t i = 0; i < kBlockSize; ++i) block[i] = static_cast<uint8_t>(bytes[at + i]);
    const DesBlock result = decipher ? des.Decipher(block) : des.Encipher(block);
    for (size_t i = 0; i < kBlockSize; ++i) out[at + i] = static_cast<char>(result[i]);
  }
  return out;
}

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// The text cut into characters (one byte, or two from a byte of 128 or more on).
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  for (size_t i = 0; i < text.size();) {
    const size_t len = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    chars.push_back(text.substr(i, len));
    i += len;
  }
  return chars;
}

bool IsBlank(std::string_view ch) { return ch == " " || ch == "\xA1\xA1"; }

// A digit or letter, full-width (GBK A3B0..A3B9, A3C1..A3DA, A3E1..A3FA) or plain, as a plain upper-case
// byte; anything else as 0.
char PlainUpper(std::string_view ch) {
  unsigned char c = 0;
  if (ch.size() == 1) {
    c = static_cast<unsigned char>(ch[0]);
  } else if (static_cast<unsigned char>(ch[0]) == 0xA3) {
    const unsigned char second = static_cast<unsigned char>(ch[1]);
    if (second >= 0xA1 && second <= 0xFE) c = static_cast<unsigned char>(second - 0x80);
  }
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  return static_cast<char>(c);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DecipherData(std::string_view bytes, std::string_view keyText) {
  const size_t n = bytes.size();
  if (n == 0 || n % kBlockSize != 0) return {};
  const std::string plain = CryptBlocks(bytes, keyText, true);
  uint32_t raw = 0;
  for (size_t i = kLengthSize; i-- > 0;) raw = (raw << 8) | static_cast<uint8_t>(plain[i]);
  const int64_t length = static_cast<int32_t>(raw);
  // The length must leave room for itself and at most seven bytes of padding.
  const int64_t size = static_cast<int64_t>(n);
  if (length <= 0 || length > size - 4 || size >= length + 12) return {};
  return plain.substr(kLengthSize, static_cast<size_t>(length));
}

std::string EncipherData(std::string_view payload, std::string_view keyText) {
  std::string plain;
  const uint32_t length = static_cast<uint32_t>(payload.size());
  for (size_t i = 0; i < kLengthSize; ++i) plain.push_back(static_cast<char>((length >> (8 * i)) & 0xFFu));
  plain.append(payload);
  plain.append((kBlockSize - plain.size() % kBlockSize) % kBlockSize, '\0');
  return CryptBlocks(plain, keyText, false);
}

std::string ReadAsText(std::string_view bytes) { return std::string(bytes.substr(0, bytes.find('\0'))); }

std::string ReadHexBytes(std::string_view text) {
  std::vector<std::string_view> chars = Characters(text);
  size_t first = 0, last = chars.size();
  while (first < last && IsBlank(chars[first])) ++first;
  while (last > first && IsBlank(chars[last - 1])) --last;
  size_t bytes = 0;
  for (size_t i = first; i < last; ++i) bytes += chars[i].size();
  if (bytes % 2 != 0) return {};

  std::string out;
  for (size_t i = first; i < last; i += 2) {
    const int high = HexValue(PlainUpper(chars[i]));
    // An even byte count can still leave one character over when full-width ones stand among them.
    const int low = i + 1 < last ? HexValue(PlainUpper(chars[i + 1])) : -1;
    out.push_back(high < 0 || low < 0 ? '\0' : static_cast<char>(high * 16 + low));
  }
  return out;
}

std::string HexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xFu]);
  }
  return out;
}

std::string DecipherHexText(std::string_view text) {
  return ReadAsText(DecipherData(ReadHexBytes(text), kNoticeKeyText));
}

std::string EncipherHexText(std::string_view text) { return HexText(EncipherData(text, kNoticeKeyText)); }

std::string EncipherNoticeBody(std::string_view notice) { return EncipherData(notice, kNoticeKeyText); }

std::string EncipherPageNotice(std::string_view notice, bool withMarkers) {
  const std::string hex = EncipherHexText(notice);
  if (!withMarkers) return hex;
  return std::string(kPageNoticeOpen) + hex + std::string(kPageNoticeClose);
}

}  // namespace lumvo
