// The minimum rates at which a client must send and take its response.
#include "http/minimum_rate.h"

#include <algorithm>

namespace ruz {

namespace {

constexpr std::chrono::milliseconds kFirstTime{20000};
constexpr std::uint64_t kBytesPerSecond = 500;
constexpr std::chrono::milliseconds kLongestHeaderTime{40000};

}  // namespace

std::chrono::milliseconds AllowedSendingTime(ClientPart part, std::uint64_t bytesReceived,
                                             int connecttimeoutMs) {
  // Capped before it is added, so a huge count cannot overflow.
  const std::uint64_t extraSeconds = std::min<std::uint64_t>(bytesReceived / kBytesPerSecond, 1u << 30);
  std::chrono::milliseconds allowed = kFirstTime + std::chrono::seconds(extraSeconds);
  if (part == ClientPart::kHeader) allowed = std::min(allowed, kLongestHeaderTime);
  if (connecttimeoutMs > 0) allowed = std::min(allowed, std::chrono::milliseconds(connecttimeoutMs));
  return allowed;
}

int LongestClientWaitMs(int connecttimeoutMs) {
  if (connecttimeoutMs <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(connecttimeoutMs, kFirstTime.count()));
}

bool KeepsUpReading(ReadingPace &pace, std::uint64_t bytes, std::chrono::nanoseconds waited) {
  pace.waited += waited;
  pace.bytes += bytes;
  if (pace.waited < kFirstTime) return true;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(pace.waited).count();
  const bool keptUp = pace.bytes >= kBytesPerSecond * static_cast<std::uint64_t>(seconds);
  pace = ReadingPace{};
  return keptUp;
}

}  // namespace ruz
