// Wildcard matching with the shell's path-pattern rules.
#include "platform/wildcard.h"

#include "platform/text_codes.h"

namespace ruz {
namespace {

std::size_t CharLength(std::string_view s, std::size_t i) {
  return IsCp932LeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
}

unsigned char Fold(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// True when the characters of pattern and text at p and t are equal, case
// ignored for single-byte characters.
bool SameChar(std::string_view pattern, std::size_t p, std::size_t pLen, std::string_view text,
              std::size_t t, std::size_t tLen) {
  if (pLen != tLen) return false;
  if (pLen == 2) return pattern.substr(p, 2) == text.substr(t, 2);
  return Fold(pattern[p]) == Fold(text[t]);
}

// Matches the whole text against one pattern (no ";" in it).
bool MatchOne(std::string_view text, std::string_view pattern) {
  std::size_t t = 0;
  std::size_t p = 0;
  // Where to resume after the last "*": its pattern position and the text
  // position it currently absorbs up to.
  std::size_t starP = std::string_view::npos;
  std::size_t starT = 0;
  while (t < text.size()) {
    std::size_t tLen = CharLength(text, t);
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      std::size_t pLen = CharLength(pattern, p);
      if (pattern[p] == '?' || SameChar(pattern, p, pLen, text, t, tLen)) {
        p += pLen;
        t += tLen;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starT += CharLength(text, starT);
    t = starT;
    p = starP;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool PathMatchSpec(std::string_view text, std::string_view patterns) {
  if (patterns == "*.*") return true;
  while (!patterns.empty()) {
    std::size_t first = patterns.find_first_not_of(' ');
    if (first == std::string_view::npos) break;
    patterns.remove_prefix(first);
    std::size_t semicolon = patterns.find(';');
    std::string_view pattern = patterns.substr(0, semicolon);
    if (!pattern.empty() && MatchOne(text, pattern)) return true;
    if (semicolon == std::string_view::npos) break;
    patterns.remove_prefix(semicolon + 1);
  }
  return false;
}

}  // namespace ruz
