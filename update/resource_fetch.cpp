#include "update/resource_fetch.h"

#include <algorithm>
#include <vector>

namespace lumvo {
namespace {

constexpr size_t kLargestBuffer = 102400;
constexpr size_t kBufferWithoutLength = 10240;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<AddressParts> SplitAddress(std::string_view address) {
  AddressParts parts;
  std::string_view rest;
  if (StartsWithNoCase(address, "http://")) {
    rest = address.substr(7);
  } else if (StartsWithNoCase(address, "https://")) {
    parts.secure = true;
    rest = address.substr(8);
  } else {
    return std::nullopt;
  }
  rest = rest.substr(0, rest.find('#'));
  const size_t pathAt = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, pathAt);
  parts.path = pathAt == std::string_view::npos ? "/" : std::string(rest.substr(pathAt));
  if (parts.path[0] == '?') parts.path.insert(0, "/");

  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view credentials = authority.substr(0, at);
    const size_t colon = credentials.find(':');
    parts.user = std::string(credentials.substr(0, colon));
    if (colon != std::string_view::npos) parts.password = std::string(credentials.substr(colon + 1));
    authority = authority.substr(at + 1);
  }

  std::string_view portText;
  if (!authority.empty() && authority[0] == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    parts.host = std::string(authority.substr(1, close - 1));
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return std::nullopt;
      portText = after.substr(1);
    }
  } else {
    const size_t colon = authority.find(':');
    parts.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
  }
  if (parts.host.empty()) return std::nullopt;

  parts.port = parts.secure ? 443 : 80;
  if (!portText.empty()) {
    if (portText.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : portText) {
      if (c < '0' || c > '9') return std::nullopt;
      port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    parts.port = port;
  }
  return parts;
}

size_t ReadBufferSize(std::string_view contentLength) {
  size_t i = 0;
  while (i < contentLength.size() && (contentLength[i] == ' ' || contentLength[i] == '\t')) ++i;
  size_t length = 0;
  bool digits = false;
  for (; i < contentLength.size() && contentLength[i] >= '0' && contentLength[i] <= '9'; ++i) {
    digits = true;
    length = std::min(length * 10 + static_cast<size_t>(contentLength[i] - '0'), kLargestBuffer);
  }
  if (!digits || length == 0) return kBufferWithoutLength;
  return std::min(length + 1, kLargestBuffer);
}

std::string ReadBody(const ReadFunction& read, size_t bufferSize) {
  std::vector<char> buffer(std::max<size_t>(bufferSize, 1));
  std::string body;
  while (body.size() < kMaxResourceBytes) {
    const size_t want = std::min(buffer.size(), kMaxResourceBytes - body.size());
    size_t got = 0;
    if (!read(buffer.data(), want, got) || got == 0) break;
    body.append(buffer.data(), std::min(got, want));
  }
  return body;
}

}  // namespace lumvo
