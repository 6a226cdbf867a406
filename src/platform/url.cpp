// URL unescaping of request targets.
#include "platform/url.h"

namespace ruz {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string UrlUnescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string PercentEncodePath(std::string_view path) {
  constexpr std::string_view kReserved = " \"#%<>?\\^`{|}";
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(path.size());
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F && kReserved.find(c) == std::string_view::npos) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

std::string CanonicalRequestPath(std::string_view path) {
  // "/" and "." never occur as the second byte of a double-byte character, so
  // the bytes can be judged one by one.
  std::string canonical;
  canonical.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    const bool afterSlash = !canonical.empty() && canonical.back() == '/';
    if (path[i] == '/' && afterSlash) continue;
    const bool dotSegment = path[i] == '.' && afterSlash &&
                            (i + 1 == path.size() || path[i + 1] == '/');
    if (dotSegment) continue;
    canonical += path[i];
  }
  return canonical;
}

}  // namespace ruz
