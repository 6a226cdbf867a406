// Expanding %token% placeholders.
#include "common/expand_token.h"

#include <cstring>

#include "platform/text_codes.h"

namespace ruz {

namespace {

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// FindIgnoreCase for a token. A token that begins with "%" and is plain ASCII
// can only start at a "%" byte, which is never part of a double-byte
// character, so the search jumps from "%" to "%".
std::size_t FindToken(std::string_view text, std::string_view token, std::size_t from) {
  if (token.front() != '%' || !IsAscii(token)) return FindIgnoreCase(text, token, from);
  while (from < text.size()) {
    const void *found = std::memchr(text.data() + from, '%', text.size() - from);
    if (found == nullptr) return std::string::npos;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char *>(found) - text.data());
    if (EqualsIgnoreCase(text.substr(at, token.size()), token)) return at;
    from = at + 1;
  }
  return std::string::npos;
}

}  // namespace

void ExpandToken(std::string &text, std::string_view token, std::string_view value) {
  if (token.empty() || FindToken(text, token, 0) == std::string::npos) return;
  std::string doubled;
  doubled.reserve(value.size() * 2);
  for (char c : value) {
    doubled += c;
    if (c == '%') doubled += '%';
  }
  std::size_t from = 0;
  for (std::size_t p; (p = FindToken(text, token, from)) != std::string::npos;) {
    // The run of "%" in front of the token decides: an odd run ends in an
    // escaping "%" ("%%ip%" stays literal), an even run is escaped percent signs
    // ("%%%ip%" is "%" and the value). Counting the whole run, not just two
    // bytes, keeps an inserted value (whose "%" are doubled) from ever being
    // expanded by a later token.
    std::size_t run = 0;
    while (run < p && text[p - 1 - run] == '%') ++run;
    if (run % 2 == 1) {
      from = p + token.size();
      continue;
    }
    text.replace(p, token.size(), doubled);
    from = p + doubled.size();
  }
}

}  // namespace ruz
