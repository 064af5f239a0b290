// The get-time command: the server list walked until one answers.
#pragma once

#include "core/program.h"

namespace lumvo {

void AcquireTime(Program& p);
void OnTryNextServerClick(Program& p);  // 选择框_自动尝试下一服务器

}  // namespace lumvo
