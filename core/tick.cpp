#include "core/tick.h"

#include <cfloat>
#include <charconv>
#include <cstdio>

#include "core/time_fetch.h"
#include "ui/clock_face.h"
#include "ui/tray.h"

namespace lumvo {
namespace {

constexpr char kExitTextStart[] = "校准完成 ";
constexpr char kExitTextEnd[] = " 秒后自动退出";
// A count this close above zero still counts as one more step, so 1 less a rounding error is not lost.
constexpr double kCountdownTolerance = 0.0000001;

// GBK: row A3 holds the full-width forms of ASCII 0x21..0x7E in order; A1 A1 is the full-width blank.
std::string FullWidthToAscii(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x81 || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    // Walk whole double-byte characters, so a trail byte is never taken for the start of another one.
    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail - 0xA1 + 0x21);
    } else if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else {
      out += text[i];
      out += text[i + 1];
    }
    ++i;
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal reading only: "inf", "nan" and "0x.." are not numbers here (they read as 0 or stop at the
// "x"), since a countdown must never hold a value that no longer counts down.
double ReadDecimal(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const size_t start = i;
  // Decimal magnitude of the first significant digit, to tell an overflow from an underflow.
  long magnitude = 0;
  bool significant = false;
  size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
    if (significant) {
      ++magnitude;
    } else if (s[i] != '0') {
      significant = true;
    }
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++digits) {
      if (!significant) {
        --magnitude;
        if (s[i] != '0') significant = true;
      }
    }
  }
  if (digits == 0) return 0;
  size_t end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    bool negativeExponent = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
    if (j < s.size() && IsDigit(s[j])) {
      long exponent = 0;
      for (; j < s.size() && IsDigit(s[j]); ++j)
        if (exponent < 1000000) exponent = exponent * 10 + (s[j] - '0');
      magnitude += negativeExponent ? -exponent : exponent;
      end = j;
    }
  }
  double value = 0;
  const auto result = std::from_chars(s.data() + start, s.data() + end, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) value = significant && magnitude > 0 ? DBL_MAX : 0.0;
  return negative ? -value : value;
}

}  // namespace

double TextToNumber(std::string_view text) { return ReadDecimal(FullWidthToAscii(text)); }

std::string NumberToText(double value) {
  if (value == 0) value = 0;  // never "-0"
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.13g", value);
  return buf;
}

bool StepTextCountdown(Controls& ui, Ctl box) {
  const double v = TextToNumber(ui.Text(box));
  if (v - 1 < -kCountdownTolerance) return true;
  ui.SetText(box, NumberToText(v - 1));
  return false;
}

void OnSecondTick(Program& p) {
  Controls& ui = p.ui;
  AppState& s = p.state;
  ui.SetText(Ctl::编辑框_系统时间, FormatDateTime(p.clock.LocalNow()));

  if (s.HaveServerTime == 1) {
    if (ui.Checked(Ctl::选择框_自动退出) && s.ExitArmed == 1) {
      ui.SetText(Ctl::编辑框_服务器时间, kExitTextStart + std::to_string(s.ExitCountdown) + kExitTextEnd);
      // The close is queued, so the rest of this tick still runs.
      if (s.ExitCountdown < 0) {
        p.window.CloseMainWindow();
      } else {
        --s.ExitCountdown;
      }
    } else {
      ui.SetText(Ctl::编辑框_服务器时间, FormatDateTime(s.StandardTime));
    }
    s.StandardTime = AddSeconds(s.StandardTime, 1);
  }

  if (ui.Checked(Ctl::选择框_自动校准) && s.AutoCalibrationDone == 0) {
    if (StepTextCountdown(ui, Ctl::编辑框_延迟秒)) {
      // Set before the fetch: ticks that run inside it must not start a second one.
      s.AutoCalibrationDone = 1;
      AcquireTime(p);
    }
  }

  if (p.window.Left() != kParkedPosition) DrawClockFace(p);
}

}  // namespace lumvo
