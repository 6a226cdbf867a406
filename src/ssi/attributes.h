// Reading one name="value" attribute out of a directive's attributes text.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// Searches ` name="` (a blank, the name, "=", a double quote; letter case
/// significant, first occurrence wins, wherever it stands). Found: value := the
/// bytes up to the next double quote (or to the end of attributes), returns 1.
/// Not found: value := "", returns 0. So blanks around "=" or single quotes
/// make an attribute invisible, and it needs at least one blank before its name.
int GetSsiAttribute(std::string_view attributes, std::string &value, std::string_view name);

}  // namespace ruz
