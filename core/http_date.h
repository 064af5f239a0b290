// The value of an HTTP Date header (RFC 1123 layout) as a Greenwich DateTime.
#pragma once

#include <string_view>

#include "core/datetime.h"

namespace lumvo {

struct HttpDateResult {
  bool ok = false;
  DateTime value;  // on failure: the `now` handed in
};

// `now` is the current local time, the value given back when the header is refused.
HttpDateResult ParseHttpDate(std::string_view header, DateTime now);

// Integer value of a token as C's atoi reads it (blanks, sign, digits), saturated instead of overflowing.
int TokenInteger(std::string_view token);

}  // namespace lumvo
