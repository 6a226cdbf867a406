// The wildcard matcher against a plain dynamic-programming reference.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/text_codes.h"
#include "platform/wildcard.h"

namespace {

// A CP932 lead byte and the byte behind it form one character.
std::vector<std::string_view> Characters(std::string_view s) {
  std::vector<std::string_view> chars;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = ruz::IsCp932LeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
    chars.push_back(s.substr(i, n));
    i += n;
  }
  return chars;
}

bool SameCharacter(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() == 2) return a == b;
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
  return fold(a[0]) == fold(b[0]);
}

bool MatchOneReference(std::string_view text, std::string_view pattern) {
  const std::vector<std::string_view> t = Characters(text);
  const std::vector<std::string_view> p = Characters(pattern);
  // can[j][i]: pattern from j matches text from i.
  std::vector<std::vector<char>> can(p.size() + 1, std::vector<char>(t.size() + 1, 0));
  can[p.size()][t.size()] = 1;
  for (std::size_t j = p.size(); j-- > 0;) {
    for (std::size_t i = t.size() + 1; i-- > 0;) {
      if (p[j] == "*") {
        can[j][i] = can[j + 1][i] || (i < t.size() && can[j][i + 1]);
      } else if (i < t.size()) {
        can[j][i] = (p[j] == "?" || SameCharacter(p[j], t[i])) && can[j + 1][i + 1];
      }
    }
  }
  return can[0][0];
}

bool MatchReference(std::string_view text, std::string_view patterns) {
  if (patterns == "*.*") return true;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = patterns.find(';', start);
    std::string_view pattern = patterns.substr(start, end == patterns.npos ? patterns.npos : end - start);
    std::size_t first = pattern.find_first_not_of(' ');
    pattern = first == pattern.npos ? std::string_view() : pattern.substr(first);
    if (!pattern.empty() && MatchOneReference(text, pattern)) return true;
    if (end == patterns.npos) return false;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string patterns = input.ConsumeRandomLengthString(256);
  const std::string text = input.ConsumeRemainingBytesAsString().substr(0, 512);
  FUZZ_CHECK(ruz::PathMatchSpec(text, patterns) == MatchReference(text, patterns));
  return 0;
}
