// Receiving the request header: the search for its end, the parse into the
// request record, and the framing rules it must meet.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

#include "http/request_info.h"

namespace ruz {

struct ConnectionSlot;

/// The length of the header in text: the position just behind the first
/// "\r\n\r\n", "\r\r" or "\n\n" to be completed when the bytes arrive one by
/// one. Ends at or before checkedUpTo are known to be absent (for an
/// incremental search). std::string::npos when text holds no end yet.
std::size_t FindHeaderEnd(std::string_view text, std::size_t checkedUpTo = 0);

/// Splits the request line, decodes and converts the path and picks the
/// fifteen known header fields from a complete header text.
void ParseRequestHeader(std::string_view header, RequestInfo &request);

/// The framing rules a parsed header must meet: 0 when it does; 505 when the
/// request line names a version other than HTTP/1.x; 400 for a header line
/// without a colon or with blanks before it, two Host fields, a Content-Length
/// that is not a plain decimal number within range, or two that differ.
int CheckRequestFraming(std::string_view header, const RequestInfo &request);

/// Receives and parses the request header. 0 when complete; otherwise 400, 408
/// or 500 with the status text already written to the slot's row. The body
/// stays in the socket. A header that breaks the framing rules gives 400 or
/// 505. spent: what the connection has already used of its time for the
/// header (a TLS handshake).
int ReadRequest(ConnectionSlot &slot, RequestInfo &request,
                std::chrono::milliseconds spent = std::chrono::milliseconds::zero());

}  // namespace ruz
