// One HEAD request to one server for its Date header.
#pragma once

#include <string>

#include "core/datetime.h"
#include "core/ports.h"

namespace lumvo {

// Sets `standardTime` (local time: Greenwich + 8 h + the whole seconds the request took) and answers
// true, or leaves it alone and answers false.
bool FetchServerTime(TimeRequestFactory& http, Clock& clock, const std::string& server, DateTime& standardTime);

}  // namespace lumvo
