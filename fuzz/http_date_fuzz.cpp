// HTTP Date headers and date-time texts from a hostile server.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/datetime.h"
#include "core/http_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const lumvo::DateTime now = lumvo::MakeDateTime(2026, 12, 11, 9, 30, 0);
  const lumvo::HttpDateResult r = lumvo::ParseHttpDate(text, now);
  if (r.ok) {
    // A refused conversion gives the invalid value; anything else lies in the valid range.
    if (!lumvo::InRange(r.value)) __builtin_trap();
    (void)lumvo::FormatDateTime(r.value);
  } else if (r.value != now) {
    __builtin_trap();
  }
  const lumvo::DateTime t = lumvo::DateTimeFromText(text);
  if (!lumvo::InRange(t)) __builtin_trap();
  return 0;
}
