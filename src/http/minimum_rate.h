// How long a client may take to send a request header or body: a time that
// grows with what it has sent, so a slow but steady client gets through while
// one that trickles a byte now and then does not hold its slot for long.
#pragma once

#include <chrono>
#include <cstdint>

namespace ruz {

/// What the client is sending.
enum class ClientPart { kHeader, kBody };

/// 20 s plus 1 s for every 500 bytes received so far (a header: at most
/// 40 s in all), never more than connecttimeout milliseconds when that is
/// set (above 0). 20 s lets a phone on a bad network start; 500 bytes a
/// second is far below any working link and far above a slow-send attack.
std::chrono::milliseconds AllowedSendingTime(ClientPart part, std::uint64_t bytesReceived,
                                             int connecttimeoutMs);

/// The longest one wait for the client may last (for a header's first bytes,
/// for room to send a response): the first 20 s, or connecttimeout when that
/// is shorter; 0 (no limit) when connecttimeout is 0.
int LongestClientWaitMs(int connecttimeoutMs);

}  // namespace ruz
