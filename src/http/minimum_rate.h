// How long a client may take to send a request header or body: a time that
// grows with what it has sent, so a slow but steady client gets through while
// one that trickles a byte now and then does not hold its slot for long; and
// how fast it must take its response.
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

/// How fast a client takes its responses: the time sends to it have waited
/// for it, and what they sent, since the present stretch began.
struct ReadingPace {
  std::chrono::nanoseconds waited{0};
  std::uint64_t bytes = 0;
};

/// Adds a send of bytes that took waited. False when the sends have waited
/// 20 s in all while the client took under 500 bytes a second; a stretch it
/// kept up with begins anew. Time the server spends producing the response
/// is not counted: only what the client makes it wait.
bool KeepsUpReading(ReadingPace &pace, std::uint64_t bytes, std::chrono::nanoseconds waited);

}  // namespace ruz
