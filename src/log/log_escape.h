// The escaping of client text in access-log lines.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// CP932 text made safe for one quoted field of a log line, for readers that
/// know CP932 and for readers that take every byte 0x5C as a backslash alike:
/// `"` becomes `\"`, a single-byte `\` becomes `\\`, and control bytes (below
/// 0x20, and 0x7F) and lead bytes without a second byte become `\xNN`. The
/// text is walked character by character, so a double-byte character is never
/// split and stays as it is, with one exception: one whose second byte is 0x5C
/// (such as 表 or ソ) that ends the text or stands before an escape is written
/// as two `\xNN`, so that a byte-wise reader cannot take that 0x5C as escaping
/// the closing quote or the escape's backslash.
std::string EscapeLogText(std::string_view cp932);

}  // namespace ruz
