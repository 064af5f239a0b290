// TimeRequest over the WinHTTP automation object, reached by name through IDispatch (late binding),
// so the program needs no type library and runs on every Windows that registers the object.
#pragma once

#include <memory>

#include "core/ports.h"

namespace lumvo {

// The calling thread must have initialised COM.
class WinHttpRequestFactory final : public TimeRequestFactory {
 public:
  std::unique_ptr<TimeRequest> Create() override;
};

}  // namespace lumvo
