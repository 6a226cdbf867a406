// Multi-line texts: lists whose items are separated by CR, LF or CR LF, and
// header blocks.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// The first CR or LF at or after pos; npos when there is none. (A plain
/// loop: find_first_of("\r\n") searches its set once per character.)
std::size_t FindLineBreak(std::string_view text, std::size_t pos = 0);

/// Copies line n (from 0) without its break into line and returns true; a break
/// at the very end opens no further line. Without line n: line = "", false.
bool GetLine(std::string &line, std::string_view text, int n);

/// The number of line breaks (CR LF counts once).
int CountLineBreaks(std::string_view text);

/// Index of the first line equal to key (wildcard false: exact, case significant)
/// or whose pattern accepts key (wildcard true: PathMatchSpec); -1 when none.
int FindLine(std::string_view list, std::string_view key, bool wildcard);

/// Replaces every occurrence of searched (letter case ignored) by replacement,
/// continuing behind each inserted replacement. Returns text.
std::string &ReplaceAll(std::string &text, std::string_view searched, std::string_view replacement);

/// Append form (index -1): adds "\r\n" unless the block is empty or begins with
/// CR or LF, then the line. Replace form (index >= 0, replace true): line index
/// and its break are replaced by the line and "\r\n"; when it was the last line
/// no break is added.
void SetLine(std::string &block, std::string_view line, int index, bool replace);

/// Replaces every byte from by to, in place.
void ReplaceChar(std::string &text, char from, char to);

}  // namespace ruz
