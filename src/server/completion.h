// The one end of every request: error page or header-only response when due,
// the close or the keeping of the connection, then the response cell and the
// log line.
#pragma once

#include <cstdint>
#include <string>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// What became of the connection after its response.
enum class ConnectionEnd { kClosed, kKept };

/// The request may not be used after this returns; a kept connection is still
/// in the slot, ready for its next request.
ConnectionEnd FinishRequest(ConnectionSlot &slot, RequestInfo &request, std::string extra,
                            std::uint64_t bytesSent, int code, bool sendResponse);

}  // namespace ruz
