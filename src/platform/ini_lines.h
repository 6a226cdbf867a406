// The line structure of ini text, shared by the ini reader and writer.
#pragma once

#include <cstddef>
#include <string_view>

namespace ruz {

enum class IniLineKind { kBlank, kComment, kSection, kEntry };

/// One line of ini text: [start, end) is its text without the break, next is
/// where the following line starts (after CR, LF or CR LF; the text's size at
/// the end). name is the section name or the key, value the raw value.
struct IniLine {
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  IniLineKind kind = IniLineKind::kBlank;
  std::string_view name;
  std::string_view value;
};

/// Reads the line that starts at pos (pos < text.size()).
IniLine ReadIniLine(std::string_view text, std::size_t pos);

}  // namespace ruz
