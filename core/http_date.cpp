#include "core/http_date.h"

#include <cctype>
#include <climits>
#include <string>
#include <vector>

namespace lumvo {
namespace {

// Every blank ends a token; a trailing non-empty remainder is the last token.
std::vector<std::string_view> SplitAtBlanks(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') {
      tokens.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size()) tokens.push_back(text.substr(start));
  return tokens;
}

struct Month {
  const char* name;
  const char* code;
};
constexpr Month kMonths[12] = {{"Jan", "01-"}, {"Feb", "02-"}, {"Mar", "03-"}, {"Apr", "04-"},
                               {"May", "05-"}, {"Jun", "06-"}, {"Jul", "07-"}, {"Aug", "08-"},
                               {"Sep", "09-"}, {"Oct", "10-"}, {"Nov", "11-"}, {"Dec", "12-"}};

}  // namespace

int TokenInteger(std::string_view token) {
  size_t i = 0;
  while (i < token.size() && std::isspace(static_cast<unsigned char>(token[i]))) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) negative = token[i++] == '-';
  long long value = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    value = value * 10 + (token[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

HttpDateResult ParseHttpDate(std::string_view header, DateTime now) {
  const std::vector<std::string_view> tokens = SplitAtBlanks(header);
  HttpDateResult result{false, now};
  if (tokens.size() != 6) return result;
  if (tokens[5] != "GMT") return result;
  const int year = TokenInteger(tokens[3]);
  if (year < 2009 || year > 5000) return result;
  const char* code = nullptr;
  for (const Month& m : kMonths) {
    if (tokens[2] == m.name) {
      code = m.code;
      break;
    }
  }
  if (!code) return result;
  const int day = TokenInteger(tokens[1]);
  if (day > 31 || day < 1) return result;
  std::string text;
  text.reserve(32);
  text.append(tokens[3]).append("-").append(code).append(tokens[1]).append(" ").append(tokens[4]);
  result.ok = true;
  result.value = DateTimeFromText(text);
  return result;
}

}  // namespace lumvo
