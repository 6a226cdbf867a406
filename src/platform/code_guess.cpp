// The Japanese code guesser: a text of unknown code (ASCII, ISO-2022-JP,
// UTF-8, CP932, EUC-JP) converted to CP932, and Base64 decoding for credentials.
#include "platform/iconv_converter.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

constexpr char kEsc = '\x1B';

bool InRange(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

// A JIS X 0208 row/cell pair (each 0x21-0x7E) as its two CP932 bytes.
void AppendJisAsCp932(unsigned char j1, unsigned char j2, std::string &out) {
  unsigned char s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  unsigned char s2;
  if (j1 & 1) {
    s2 = static_cast<unsigned char>(j2 + 0x1F);
    if (s2 >= 0x7F) ++s2;
  } else {
    s2 = static_cast<unsigned char>(j2 + 0x7E);
  }
  out += static_cast<char>(s1);
  out += static_cast<char>(s2);
}

bool IsPureAscii(std::string_view text) {
  for (unsigned char b : text) {
    if (b >= 0x80 || b == kEsc) return false;
  }
  return true;
}

bool IsWellFormedUtf8(std::string_view text) {
  while (!text.empty()) {
    std::size_t len = Utf8SequenceLength(text);
    if (len == 0) return false;
    text.remove_prefix(len);
  }
  return true;
}

// EUC-JP with JIS X 0208 and half-width kana (JIS X 0212 is not accepted,
// CP932 has no place for it). Converts to out while validating.
bool ConvertEucJp(std::string_view text, std::string &out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char b = text[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    if (i + 1 == text.size()) return false;
    unsigned char t = text[++i];
    if (b == 0x8E && InRange(t, 0xA1, 0xDF)) {
      out += static_cast<char>(t);  // half-width kana stays one byte
    } else if (InRange(b, 0xA1, 0xFE) && InRange(t, 0xA1, 0xFE)) {
      AppendJisAsCp932(b & 0x7F, t & 0x7F, out);
    } else {
      return false;
    }
  }
  return true;
}

enum class JisMode { kAscii, kKanji, kKana };

// Reads the escape sequence at text[i] (ESC included); false when unknown.
bool ReadEscape(std::string_view text, std::size_t &i, JisMode &mode) {
  std::string_view seq = text.substr(i + 1, 2);
  if (seq == "(B" || seq == "(J") {
    mode = JisMode::kAscii;
  } else if (seq == "$B" || seq == "$@") {
    mode = JisMode::kKanji;
  } else if (seq == "(I") {
    mode = JisMode::kKana;
  } else {
    return false;
  }
  i += 3;
  return true;
}

bool ConvertIso2022Jp(std::string_view text, std::string &out) {
  JisMode mode = JisMode::kAscii;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = text[i];
    if (b == kEsc) {
      if (!ReadEscape(text, i, mode)) return false;
      continue;
    }
    if (b >= 0x80) return false;
    if (mode == JisMode::kKanji && b != '\r' && b != '\n') {
      if (i + 1 == text.size()) return false;
      unsigned char t = text[i + 1];
      if (!InRange(b, 0x21, 0x7E) || !InRange(t, 0x21, 0x7E)) return false;
      AppendJisAsCp932(b, t, out);
      i += 2;
      continue;
    }
    bool kana = mode == JisMode::kKana && InRange(b, 0x21, 0x5F);
    out += static_cast<char>(kana ? b | 0x80 : b);
    ++i;
  }
  return true;
}

bool ConvertUtf8Strict(std::string_view text, std::string &out) {
  IconvConverter &converter = Utf8ToCp932Converter();
  return converter.IsOpen() && converter.Convert(text, out) == 0;
}

int Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string ConvertToCp932Guessing(std::string_view text) {
  if (IsPureAscii(text)) return std::string(text);
  std::string out;
  bool converted;
  if (text.find(kEsc) != std::string_view::npos) {
    converted = ConvertIso2022Jp(text, out);
  } else if (IsWellFormedUtf8(text)) {
    converted = ConvertUtf8Strict(text, out);
  } else {
    // Valid EUC-JP wins over CP932 when the text is both; text that is not
    // EUC-JP is taken as CP932 already (or as unconvertible) and stays as it is.
    converted = ConvertEucJp(text, out);
  }
  return converted ? out : std::string(text);
}

bool IsWellFormedBase64(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  std::size_t data = text.size();
  while (data > 0 && text.size() - data < 2 && text[data - 1] == '=') --data;
  for (char c : text.substr(0, data)) {
    const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '+' || c == '/';
    if (!alphabet) return false;
  }
  return true;
}

std::string DecodeBase64(std::string_view base64) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (unsigned char c : base64) {
    int value = Base64Value(c);
    if (value < 0) break;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

std::string DecodeBase64ToCp932(std::string_view base64) {
  return ConvertToCp932Guessing(DecodeBase64(base64));
}

}  // namespace ruz
