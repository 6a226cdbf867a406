// Base64 decoding of Basic credentials.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text_codes.h"

namespace {

std::string Encode(std::string_view bytes, bool pad) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t v = (std::uint8_t(bytes[i]) << 16) | (std::uint8_t(bytes[i + 1]) << 8) |
                      std::uint8_t(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(v >> shift) & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest == 0) return out;
  std::uint32_t v = std::uint8_t(bytes[i]) << 16;
  if (rest == 2) v |= std::uint8_t(bytes[i + 1]) << 8;
  out += kAlphabet[(v >> 18) & 63];
  out += kAlphabet[(v >> 12) & 63];
  if (rest == 2) out += kAlphabet[(v >> 6) & 63];
  if (pad) out.append(3 - rest, '=');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char *>(data), size);
  // Any text: no more bytes than four characters carry.
  FUZZ_CHECK(ruz::DecodeBase64(bytes).size() <= (size + 3) / 4 * 3);
  (void)ruz::DecodeBase64ToCp932(bytes);
  // Encoded bytes come back whole, with or without padding.
  FUZZ_CHECK(ruz::DecodeBase64(Encode(bytes, true)) == bytes);
  FUZZ_CHECK(ruz::DecodeBase64(Encode(bytes, false)) == bytes);
  return 0;
}
