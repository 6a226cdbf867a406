// strftime with the "C" locale rules of the Windows runtime, independent of the
// process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace ruz {

/// Formats t by format into out. Directives: %a %A %b %B %c %d %H %I %j %m %M
/// %p %S %U %w %W %x %X %y %Y %Z %% and the "#" flag. Returns 1 with the text in
/// out; an unknown directive, or a result that does not fit capacity - 1 bytes,
/// leaves out empty and returns 0.
int FormatTime(std::string &out, std::size_t capacity, std::string_view format, const DateTime &t);

}  // namespace ruz
