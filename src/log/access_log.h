// The end of every request: response cell, access-log line, release of the slot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

/// Response cell, log line (under the log lock when logwrite is on), release of
/// the request and of the slot. The slot must not be touched afterwards.
void RecordRequestEnd(ConnectionSlot &slot, RequestInfo &request, int statusCode,
                      std::uint64_t bytesSent);

/// The log line of a request in the operator's format, with its CR LF.
std::string FormatLogLine(const ConnectionSlot &slot, const RequestInfo &request,
                          std::uint64_t bytesSent, int statusCode);

/// Appends a formatted line to the log file, or to the memory buffer when mem
/// is on (called with the log lock held).
void StoreLogLine(ConnectionSlot &slot, const std::string &line);

/// FormatLogLine, then StoreLogLine.
void WriteLogLine(ConnectionSlot &slot, const RequestInfo &request, std::uint64_t bytesSent,
                  int statusCode);

}  // namespace ruz
