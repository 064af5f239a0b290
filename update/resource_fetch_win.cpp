#include "update/resource_fetch_win.h"

#include <windows.h>
#include <wininet.h>

#include "platform/scoped_handle_win.h"

namespace lumvo {
namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kRequestHeaders[] = "Accept: */*\r\n\r\n";

// One root handle for the whole run, opened on first use. It is deliberately never closed: the process
// ends without waiting for the notice thread, which may still be inside a request then.
HINTERNET RootHandle() {
  static const HINTERNET root = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  return root;
}

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

std::string FetchResource(std::string_view address) {
  if (address.empty()) return {};
  const std::optional<AddressParts> parts = SplitAddress(address);
  if (!parts) return {};
  const HINTERNET root = RootHandle();
  if (!root) return {};

  const InternetHandle connection(
      InternetConnectA(root, parts->host.c_str(), static_cast<INTERNET_PORT>(parts->port),
                       OrNull(parts->user), OrNull(parts->password), INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  if (parts->secure) flags |= INTERNET_FLAG_SECURE;
  const InternetHandle request(
      HttpOpenRequestA(connection.Get(), "GET", parts->path.c_str(), "HTTP/1.0", nullptr, nullptr, flags, 0));
  if (!request) return {};
  if (!HttpSendRequestA(request.Get(), kRequestHeaders, static_cast<DWORD>(sizeof kRequestHeaders - 1),
                        nullptr, 0)) {
    return {};
  }

  char length[32] = {};
  DWORD lengthSize = sizeof length;
  std::string contentLength;
  if (HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr)) {
    contentLength.assign(length, lengthSize);
  }
  const ReadFunction read = [&request](char* into, size_t size, size_t& got) {
    DWORD n = 0;
    const BOOL ok = InternetReadFile(request.Get(), into, static_cast<DWORD>(size), &n);
    got = n;
    return ok != FALSE;
  };
  return ReadBody(read, ReadBufferSize(contentLength));
}

}  // namespace lumvo
