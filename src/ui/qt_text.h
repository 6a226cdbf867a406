// The one crossing between CP932 texts (settings, cells, paths) and QString.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace ruz {

/// CP932 bytes as a QString; bytes that are not valid CP932 become U+FFFD.
QString FromCp932(std::string_view cp932);

/// The CP932 bytes of text; every character CP932 lacks becomes "?".
std::string ToCp932(const QString &text);

}  // namespace ruz
