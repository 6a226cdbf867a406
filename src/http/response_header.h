// The status line and header block every response begins with.
#pragma once

#include <string>
#include <string_view>

#include "common/version.h"
#include "http/keep_alive.h"
#include "platform/clock.h"

namespace ruz {

struct ConnectionSlot;

extern const char *const kDayNames[7];     // index 0 = Sunday
extern const char *const kMonthNames[13];  // index 1-12; [0] is ""

/// Reason phrase of a status code; "" for a code outside the table.
const char *StatusReason(int code);

/// "Sun, 06 Dec 2026 14:05:09 GMT" for a UTC date and time.
std::string FormatHttpDate(const DateTime &utc);

/// The status line and header block for code with extra merged in (a Status:
/// line of extra overrides the status line), ending with the blank line.
/// extra is normalised in place. The Connection line follows framing:
/// "keep-alive" with the Keep-Alive time-out when the connection is kept, else
/// "Close"; a chunked body adds its Transfer-Encoding line.
std::string ComposeResponseHeader(int code, std::string &extra, const DateTime &nowUtc,
                                  const ResponseFraming &framing = {});

/// Composes and sends the header with the slot's framing (or holds it, after
/// HoldNextSend); false when the send failed: the client is gone (clientLost)
/// and no body may follow. When keeping the connection was offered and the
/// producer chose no framing, a Content-Length line in extra (or a 304, which
/// has no body) frames the response by its length.
[[nodiscard]] bool SendResponseHeader(ConnectionSlot &slot, int code, std::string &extra);

}  // namespace ruz
