// Fetching a notice source over HTTP: the rules that do not need Windows. The WinINet half is
// update/resource_fetch_win.cpp.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumvo {

// What the notice check fetches through. FetchResource answers the body bytes, empty on any failure.
class ResourceFetcher {
 public:
  virtual ~ResourceFetcher() = default;
  virtual std::string FetchResource(std::string_view address) = 0;
};

// A notice is a few hundred bytes; a source that sends more than this is cut here, so a broken or hostile
// server cannot fill the memory of a program that runs for days.
constexpr size_t kMaxResourceBytes = 1u << 20;

struct AddressParts {
  bool secure = false;  // https
  std::string host;     // without the brackets of an IPv6 literal
  int port = 0;
  std::string path;  // path and query, at least "/"; the fragment is dropped
  std::string user;
  std::string password;
};

// Splits an http or https address. Any other scheme, an empty host or a bad port gives nothing.
std::optional<AddressParts> SplitAddress(std::string_view address);

// The size of each read: the Content-Length plus 1 when it is a positive number, at most 102400;
// otherwise 10240.
size_t ReadBufferSize(std::string_view contentLength);

// Reads into a buffer of `bufferSize` bytes until a read fails or gives no bytes, or the body holds
// kMaxResourceBytes (no read asks for more than that leaves room for). `read` fills up to `size` bytes at
// `into`, sets `got` and answers false on failure.
using ReadFunction = std::function<bool(char* into, size_t size, size_t& got)>;
std::string ReadBody(const ReadFunction& read, size_t bufferSize);

}  // namespace lumvo
