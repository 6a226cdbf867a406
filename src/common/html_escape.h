// Text placed into an HTML page.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// Whether "&" is replaced too (listings keep it in file names).
enum class Ampersand { kEscape, kKeep };

/// text with &, <, >, " and ' replaced by character references. CP932 trail
/// bytes are 0x40 and above, so these ASCII bytes are always characters of
/// their own and a double-byte character is never touched.
std::string EscapeHtml(std::string_view text, Ampersand ampersand = Ampersand::kEscape);

}  // namespace ruz
