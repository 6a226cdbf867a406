// The end of every request: response cell, access-log line, release of the slot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// Replaces every %token% (letter case ignored) in text by value; "%%" escapes
/// and doubling rules as specified for the log format and CGI command lines.
void ExpandToken(std::string &text, std::string_view token, std::string_view value);

/// Response cell, log line (under the log lock when logwrite is on), release of
/// the request and of the slot. The slot must not be touched afterwards.
void RecordRequestEnd(ConnectionSlot &slot, RequestInfo &request, int statusCode,
                      std::uint64_t bytesSent);

/// Formats and writes one line (called with the log lock held).
void WriteLogLine(ConnectionSlot &slot, const RequestInfo &request, std::uint64_t bytesSent,
                  int statusCode);

}  // namespace ruz
