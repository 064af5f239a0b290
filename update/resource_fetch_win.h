// Fetching a notice source over WinINet.
#pragma once

#include <string>
#include <string_view>

#include "update/resource_fetch.h"

namespace lumvo {

// GET for an http or https address: the body (at most kMaxResourceBytes), whatever the status code;
// empty when the address cannot be split or the connection, request or send fails.
std::string FetchResource(std::string_view address);

class WinInetFetcher final : public ResourceFetcher {
 public:
  std::string FetchResource(std::string_view address) override { return lumvo::FetchResource(address); }
};

}  // namespace lumvo
