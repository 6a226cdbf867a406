// Value forms shared by the options pages and the entry dialogs.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// A list setting (items separated by CR, LF or CR LF) in the ini file's comma form.
std::string CommaForm(std::string_view list);

}  // namespace ruz
