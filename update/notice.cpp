#include "update/notice.h"

#include <cstdlib>

namespace lumvo {
namespace {

constexpr std::string_view kPrimaryTag = "Orvane";
constexpr std::string_view kBackupTag = "网易";
constexpr double kVersionTolerance = 1e-7;

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// The first occurrence of `needle` that begins on a character boundary.
size_t FindOnCharacterBoundary(std::string_view text, std::string_view needle) {
  for (size_t i = 0; i + needle.size() <= text.size(); i += IsLeadByte(text[i]) ? 2 : 1) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string_view::npos;
}

bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One character of a version text as the plain character it stands for: ASCII as it is, the full-width
// digits, signs and point as plain ones, anything else as 0.
char PlainNumberChar(std::string_view text, size_t at, size_t& length) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (!IsLeadByte(text[at]) || at + 1 >= text.size()) {
    length = 1;
    return IsLeadByte(text[at]) ? '\0' : static_cast<char>(c);
  }
  length = 2;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if (c != 0xA3) return '\0';
  const char plain = static_cast<char>(second - 0x80);
  if ((plain >= '0' && plain <= '9') || plain == '+' || plain == '-' || plain == '.') return plain;
  return '\0';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string NoticeField(std::string_view document, std::string_view name) {
  return TextBetween(document, "#" + std::string(name), std::string(name) + "#");
}

}  // namespace

NoticeSources BuiltInNoticeSources() {
  // Made with tools/lumvo-notice ("address"); the unit tests decipher them.
  return {
      "03A1B065E40FB89FB53A13BE49A4D6AA708BFE2E827F0E3DA6D76A2B366A629C509A8F0BBE4188960698F05469442CB0DBC4A2"
      "3E"
      "643E69FF",
      "823EDD45E9B3FA6BB53A13BE49A4D6AA708BFE2E827F0E3DA6D76A2B366A629C509A8F0BBE418896AF53BA9D1B969EA56C0CAC"
      "10"
      "24E1B447A9102D65FDFF2E7C",
  };
}

std::string TextBetween(std::string_view text, std::string_view opening, std::string_view closing) {
  const size_t p = FindOnCharacterBoundary(text, opening);
  const size_t q = FindOnCharacterBoundary(text, closing);
  if (p == std::string_view::npos || q == std::string_view::npos) return {};
  const size_t start = p + opening.size();
  if (q <= start) return {};
  return std::string(text.substr(start, q - start));
}

double NoticeNumberValue(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    if (IsAsciiSpace(text[at])) {
      ++at;
    } else if (text.compare(at, 2, "\xA1\xA1") == 0) {
      at += 2;
    } else {
      break;
    }
  }
  // The plain form of the characters that may make up a number, up to the first that cannot.
  std::string plain;
  while (at < text.size()) {
    size_t length = 0;
    const char c = PlainNumberChar(text, at, length);
    if (!IsDigit(c) && c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') break;
    plain.push_back(c);
    at += length;
  }
  // The longest leading decimal number. Checked here so that strtod never sees "inf", "nan" or hex.
  size_t end = 0;
  if (end < plain.size() && (plain[end] == '+' || plain[end] == '-')) ++end;
  size_t digits = 0;
  while (end < plain.size() && IsDigit(plain[end])) ++end, ++digits;
  if (end < plain.size() && plain[end] == '.') {
    ++end;
    while (end < plain.size() && IsDigit(plain[end])) ++end, ++digits;
  }
  if (digits == 0) return 0;
  if (end < plain.size() && (plain[end] == 'e' || plain[end] == 'E')) {
    size_t exponentEnd = end + 1;
    if (exponentEnd < plain.size() && (plain[exponentEnd] == '+' || plain[exponentEnd] == '-')) ++exponentEnd;
    if (exponentEnd < plain.size() && IsDigit(plain[exponentEnd])) {
      while (exponentEnd < plain.size() && IsDigit(plain[exponentEnd])) ++exponentEnd;
      end = exponentEnd;
    }
  }
  plain.resize(end);
  return std::strtod(plain.c_str(), nullptr);
}

bool IsWebAddress(std::string_view address) {
  if (!SplitAddress(address)) return false;
  for (char c : address) {
    const auto b = static_cast<unsigned char>(c);
    // Blanks, control bytes and quotes could break out of the browser's command line.
    if (b <= 0x20 || b == 0x7F || c == '"') return false;
  }
  return true;
}

void ApplyNotice(const UpdateContext& context, std::string_view document) {
  Program& p = context.program;
  const std::string status = NoticeField(document, "状态文本");
  const std::string statusAddress = NoticeField(document, "状态网址");
  const std::string newest = NoticeField(document, "最新版本");
  const std::string download = NoticeField(document, "下载地址");

  if (!status.empty()) {
    p.window.SetFooterCaption(status);
    // Anything but a web address leaves the footer opening nothing.
    p.state.FooterUrl.Set(IsWebAddress(statusAddress) ? statusAddress : std::string());
  }

  if (NoticeNumberValue(kCurrentVersionText) - NoticeNumberValue(newest) < -kVersionTolerance &&
      context.messageBox) {
    const std::string text = "发现新版本 \r\n当前版本：" + std::string(kCurrentVersionText) +
                             "\r\n最新版本：" + newest + "\r\n点确定下载新版！";
    const std::string title = "Lumvo自动校时 V" + std::string(kCurrentVersionText);
    if (context.messageBox(text, title, kOfferBoxStyle) == kOfferAccepted && IsWebAddress(download)) {
      p.shell.OpenWebPage(download);
    }
  }
}

bool BeginUpdateCheck(UpdateContext& context) {
  context.updateTimer.SetPeriod(0);
  // Whatever the answer, this run has had its one chance.
  if (context.started) return false;
  context.started = true;
  return context.program.network.InternetGetConnectedState() == 1;
}

bool CheckForUpdate(const UpdateContext& context, ResourceFetcher& fetcher) {
  const std::string primaryAddress = DecipherHexText(context.sources.primary);
  const std::string notice = ReadAsText(DecipherData(fetcher.FetchResource(primaryAddress), kNoticeKeyText));
  if (NoticeField(notice, "网站") == kPrimaryTag) {
    ApplyNotice(context, notice);
    return true;
  }

  const std::string backupAddress = DecipherHexText(context.sources.backup);
  const std::string page = ReadAsText(fetcher.FetchResource(backupAddress));
  const std::string pageNotice = DecipherHexText(TextBetween(page, kPageNoticeOpen, kPageNoticeClose));
  if (NoticeField(pageNotice, "网站") == kBackupTag) {
    ApplyNotice(context, pageNotice);
    return true;
  }
  return false;
}

}  // namespace lumvo
