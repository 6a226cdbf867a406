// The one end of every request: error page or header-only response when due,
// close, then the response cell, the log line and the release of the slot.
#pragma once

#include <cstdint>
#include <string>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// Neither slot nor request may be used after this returns.
void FinishRequest(ConnectionSlot &slot, RequestInfo &request, std::string extra,
                   std::uint64_t bytesSent, int code, bool sendResponse);

}  // namespace ruz
