// TimeRequest over the WinHTTP automation object, reached by name through IDispatch (late binding),
// so the program needs no type library and runs on every Windows that registers the object. Each
// request lives on a thread of its own; the caller's thread dispatches no window message while a step
// runs, and an answer is waited for no longer than the receive time-out.
#pragma once

#include <memory>

#include "core/ports.h"

namespace lumvo {

class WinHttpRequestFactory final : public TimeRequestFactory {
 public:
  std::unique_ptr<TimeRequest> Create() override;
};

}  // namespace lumvo
