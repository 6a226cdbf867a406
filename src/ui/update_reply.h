// The update check's reply handling, free of Qt: the 256-byte reception rule,
// the body behind the header block, the version comparison and the host text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

/// Largest chunk read from the update host at once.
inline constexpr std::size_t kUpdateChunkSize = 255;
/// The reply (plus its terminating byte) must stay below this size.
inline constexpr std::size_t kUpdateReplyLimit = 256;

/// The request sent to the update host, in one write.
inline constexpr std::string_view kUpdateRequest =
    "GET /ruz/version.txt HTTP/1.0\r\nUser-Agent: RUZUpdateChecker/1.0\r\n\r\n";

/// Appends chunk to reply unless reply + chunk + 1 would reach 256 bytes.
/// Returns false when the chunk was dropped: the reception is then over.
bool AppendReplyChunk(std::string &reply, std::string_view chunk);

/// The text after the first "\r\n\r\n" of reply; false (body untouched) when the
/// reply has no header block end.
bool ExtractReplyBody(std::string_view reply, std::string &body);

/// True when body is not exactly our server software name (byte for byte).
bool OffersNewVersion(std::string_view body);

struct UpdateHost {
  std::string host;
  std::uint16_t port = 80;
};

/// Parses "host" or "host:port" (port 1-65535). False on an empty host or a
/// port that is not a number in range.
bool ParseUpdateHost(std::string_view text, UpdateHost &out);

}  // namespace ruz
