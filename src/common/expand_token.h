// Expanding %token% placeholders in the log format and CGI command lines.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// Replaces every %token% (letter case ignored) in text by value, with every
/// "%" of value doubled. A token behind an odd run of "%" stays literal
/// ("%%ip%" is the text "%ip%" once "%%" becomes "%"), so an inserted value is
/// never expanded by a later token.
void ExpandToken(std::string &text, std::string_view token, std::string_view value);

}  // namespace ruz
