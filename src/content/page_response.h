// A page built in memory, sent as a whole 200 response.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// Sends the header lines (Content-Length included by the caller) and, unless
/// the request is HEAD, the page, in one send; the row says how it ended.
/// False when the client went away.
bool SendPageResponse(ConnectionSlot &slot, const RequestInfo &request, std::string &lines,
                      std::string_view page, std::uint64_t &bytesSent);

}  // namespace ruz
