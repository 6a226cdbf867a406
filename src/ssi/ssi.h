// Server-side includes: a document sent with its directives replaced.
#pragma once

#include <cstdint>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// 0 when the document was sent to its end, any other value on failure.
int SendSsiDocument(ConnectionSlot &slot, RequestInfo &request, std::uint64_t &bytesSent);

}  // namespace ruz
