// Directory listings and the redirect of a directory path without its final "/".
#pragma once

#include <cstdint>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

void SendDirectoryRedirect(ConnectionSlot &slot, RequestInfo &request);

/// True when the page was sent, false when sending the body failed.
bool SendDirectoryListing(ConnectionSlot &slot, RequestInfo &request, std::uint64_t &bytesSent);

}  // namespace ruz
