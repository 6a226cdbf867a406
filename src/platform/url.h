// URL unescaping of request targets.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// One pass: "%" and two hex digits (either case) become that byte; everything
/// else ("+", "%zz", a trailing "%4") stays as it is; "?" and "#" are not special.
std::string UrlUnescape(std::string_view text);

}  // namespace ruz
