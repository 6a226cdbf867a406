// Server-side includes: a document sent with its directives replaced.
#pragma once

#include <cstdint>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// How the sending of a document ended: sent to its end; the document could not
/// be opened or read (its header may have gone out, the body is cut short); or
/// the client went away or a directive failed to send its part.
enum class SsiResult { kSent, kUnreadable, kCutShort };

[[nodiscard]] SsiResult SendSsiDocument(ConnectionSlot &slot, RequestInfo &request,
                                        std::uint64_t &bytesSent);

}  // namespace ruz
