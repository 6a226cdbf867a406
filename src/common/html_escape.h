// Text placed into an HTML page.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// text with &, <, >, " and ' replaced by character references. CP932 trail
/// bytes are 0x40 and above, so these ASCII bytes are always characters of
/// their own and a double-byte character is never touched.
std::string EscapeHtml(std::string_view text);

}  // namespace ruz
