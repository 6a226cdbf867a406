// Wildcard matching of names and paths against ";"-separated pattern lists.
#pragma once

#include <string_view>

namespace ruz {

/// The whole of text must match one pattern of the list. Patterns are separated
/// by ";" with leading blanks skipped; "*" matches any run (also empty, across
/// "/" and "."), "?" one character (a CP932 double-byte character counts as one),
/// other characters match themselves with ASCII letter case ignored. The exact
/// whole list "*.*" matches every name. An empty list matches nothing.
bool PathMatchSpec(std::string_view text, std::string_view patterns);

}  // namespace ruz
