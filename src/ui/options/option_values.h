// Value forms shared by the options pages and the entry dialogs.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// The leading decimal number of text: an optional minus sign, then digits up to
/// the first other byte, wrapping modulo 2^32 as the ini reader does; 0 when
/// text does not begin with one ("80x" → 80, "abc" → 0, "-" → 0).
int LeadingInt(std::string_view text);

/// A list setting (items separated by CR, LF or CR LF) in the ini file's comma form.
std::string CommaForm(std::string_view list);

}  // namespace ruz
