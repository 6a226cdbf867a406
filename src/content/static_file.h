// Static file delivery with conditional GET and single byte ranges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
struct ServerSettings;
class ReadFile;

/// A byte range as parsed: first/last, -1 for an absent side.
struct ByteRange {
  std::int64_t first = -1;
  std::int64_t last = -1;
};

/// 1 and the pair when value has the accepted "bytes=a-b" form, else 0.
int ParseRange(std::string_view value, ByteRange &range);

/// Index of the first MIME entry whose extension list holds extension; -1 when none.
int FindMimeType(const ServerSettings &settings, std::string_view extension);

/// Sends the file (filePath empty: the request's localPath). Returns 200, 206,
/// 304 or 500 (for an error page: its code). conditional: an
/// If-Modified-Since may answer 304; useRange: a Range may answer 206.
int SendFile(ConnectionSlot &slot, RequestInfo &request, std::string extra,
             std::string_view filePath, std::uint64_t &bytesSent, int code, bool conditional,
             bool useRange);

/// Sends [first, first+count) of an open file, in 64 KiB pieces; progress texts
/// when showProgress. True when sent to its end, false when a read or a send
/// failed (a failed send marks the client lost). doneText, when set, follows
/// the last progress text in the same step (the status the caller shows next
/// once the body is out).
[[nodiscard]] bool SendFileBody(ConnectionSlot &slot, ReadFile &file, std::uint64_t first,
                                std::uint64_t count, std::uint64_t &bytesSent, bool showProgress,
                                std::string_view doneText = {});
/// SendFileBody for a file whose content is in memory.
[[nodiscard]] bool SendContentBody(ConnectionSlot &slot, std::string_view content,
                                   std::uint64_t first, std::uint64_t count,
                                   std::uint64_t &bytesSent, bool showProgress,
                                   std::string_view doneText = {});

}  // namespace ruz
