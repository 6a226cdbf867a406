// The one crossing between CP932 texts (settings, cells, paths) and QString.
#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace ruz {

/// CP932 bytes as a QString; bytes that are not valid CP932 become U+FFFD.
QString FromCp932(std::string_view cp932);

/// The CP932 bytes of text; every character CP932 lacks becomes "?".
std::string ToCp932(const QString &text);

/// The longest prefix of cp932 that holds whole characters and at most maxBytes
/// bytes: a double-byte character is never cut in half. A lead byte at the very
/// end of the text, without its second byte, counts as one character.
std::string CutCp932(std::string_view cp932, std::size_t maxBytes);

}  // namespace ruz
