// The escaping of client text in access-log lines.
#include "log/log_escape.h"

#include <cstdio>
#include <vector>

#include "platform/text_codes.h"

namespace ruz {

namespace {

constexpr unsigned char kBackslash = 0x5C;

void AppendHex(std::string &out, unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", byte);
  out += text;
}

bool NeedsHex(unsigned char byte) { return byte < 0x20 || byte == 0x7F || IsCp932LeadByte(byte); }

// One character of the text and whether it is written as an escape (its
// output then begins with a backslash).
struct LogChar {
  std::string_view bytes;
  bool escaped = false;
};

// A double-byte character whose second byte is 0x5C stays as it is only where
// a byte that needs no escape follows it: a reader that takes every 0x5C as a
// backslash then pairs it with that harmless byte, and never with the
// backslash of an escape or with the closing quote of the field.
std::vector<LogChar> SplitAndMark(std::string_view text) {
  std::vector<LogChar> chars;
  for (std::size_t i = 0; i < text.size(); i += chars.back().bytes.size())
    chars.push_back({text.substr(i, Cp932CharLength(text, i))});
  bool followedByEscape = true;  // the end of the value: a closing quote may follow
  for (auto c = chars.rbegin(); c != chars.rend(); ++c) {
    const auto first = static_cast<unsigned char>(c->bytes[0]);
    if (c->bytes.size() == 2) {
      c->escaped = followedByEscape && static_cast<unsigned char>(c->bytes[1]) == kBackslash;
    } else {
      c->escaped = first == '"' || first == kBackslash || NeedsHex(first);
    }
    followedByEscape = c->escaped;
  }
  return chars;
}

}  // namespace

std::string EscapeLogText(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size());
  for (const LogChar &c : SplitAndMark(cp932)) {
    const auto first = static_cast<unsigned char>(c.bytes[0]);
    if (!c.escaped) {
      out += c.bytes;
    } else if (c.bytes.size() == 1 && !NeedsHex(first)) {
      out += '\\';
      out += c.bytes;
    } else {
      for (char byte : c.bytes) AppendHex(out, static_cast<unsigned char>(byte));
    }
  }
  return out;
}

}  // namespace ruz
