// Code page 932 conversions through iconv, and CP932-aware case folding.
#include "platform/text_codes.h"

#include <algorithm>

#include "platform/iconv_converter.h"

namespace ruz {
namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool IsCp932TrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Length of the character at text[i]: 2 for a complete double-byte character.
// A lead byte before a byte that cannot follow it (such as "%" or "/") stands
// alone, so a client's broken text can never hide an ASCII character.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsCp932LeadByte(text[i]) && i + 1 < text.size() && IsCp932TrailByte(text[i + 1]) ? 2 : 1;
}

// Compares needle with text at pos, character by character.
bool MatchesAt(std::string_view text, std::size_t pos, std::string_view needle) {
  if (text.size() - pos < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size();) {
    std::size_t len = CharLength(needle, i);
    if (len == 2) {
      if (text[pos + i] != needle[i] || text[pos + i + 1] != needle[i + 1]) return false;
    } else if (FoldAscii(text[pos + i]) != FoldAscii(needle[i])) {
      return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

IconvConverter &Utf8ToCp932Converter() {
  thread_local IconvConverter converter("CP932", "UTF-8");
  return converter;
}

IconvConverter &Cp932ToUtf8Converter() {
  thread_local IconvConverter converter("UTF-8", "CP932");
  return converter;
}

std::size_t Utf8SequenceLength(std::string_view s) {
  if (s.empty()) return 0;
  unsigned char b = s[0];
  if (b < 0x80) return 1;
  std::size_t length;
  unsigned minimum;
  unsigned code;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2, minimum = 0x80, code = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, minimum = 0x800, code = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, minimum = 0x10000, code = b & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char c = s[i];
    if ((c & 0xC0) != 0x80) return 0;
    code = (code << 6) | (c & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::string CutCp932(std::string_view cp932, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < cp932.size()) {
    const bool pair = IsCp932LeadByte(static_cast<unsigned char>(cp932[end])) &&
                      end + 1 < cp932.size();
    const std::size_t width = pair ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  return std::string(cp932.substr(0, end));
}

namespace {

// ASCII is the same in both codes; most names and texts are nothing else.
bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  std::string out;
  IconvConverter &converter = Cp932ToUtf8Converter();
  if (!converter.IsOpen()) return std::string(cp932);
  while (converter.Convert(cp932, out) != 0) {
    out += "\xEF\xBF\xBD";  // U+FFFD for the byte that cannot be converted
    cp932.remove_prefix(1);
  }
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  IconvConverter &converter = Utf8ToCp932Converter();
  if (!converter.IsOpen()) return std::string(utf8);
  while (converter.Convert(utf8, out) != 0) {
    out += '?';
    std::size_t skip = Utf8SequenceLength(utf8);
    utf8.remove_prefix(skip == 0 ? 1 : skip);
  }
  return out;
}

std::size_t Cp932CharLength(std::string_view text, std::size_t i) { return CharLength(text, i); }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && MatchesAt(a, 0, b);
}

std::size_t FindIgnoreCase(std::string_view text, std::string_view needle, std::size_t from) {
  // Bytes below 0x40 have no case and are never the second byte of a
  // double-byte character, so such a needle is found by a plain search.
  if (std::all_of(needle.begin(), needle.end(), [](char c) { return static_cast<unsigned char>(c) < 0x40; })) {
    return from > text.size() ? std::string::npos : text.find(needle, from);
  }
  for (std::size_t i = from; i <= text.size(); i += i < text.size() ? CharLength(text, i) : 1) {
    if (MatchesAt(text, i, needle)) return i;
  }
  return std::string::npos;
}

}  // namespace ruz
