// Network through WinINet.
#pragma once

#include "core/ports.h"

namespace lumvo {

class WinNetwork final : public Network {
 public:
  int InternetGetConnectedState() override;
};

}  // namespace lumvo
