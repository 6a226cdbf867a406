// The Japanese code conversion of request paths and the CP932 helpers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text_codes.h"

namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80 || c == 0x1b) return false;  // ESC may open ISO-2022-JP
  }
  return true;
}

// Well-formed UTF-8: shortest forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    std::uint32_t cp = n == 1 ? c : c & (0x7f >> n);
    for (std::size_t k = 1; k < n; ++k) {
      unsigned char d = s[i + k];
      if ((d >> 6) != 2) return false;
      cp = (cp << 6) | (d & 0x3f);
    }
    static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
    i += n;
  }
  return true;
}

void CheckCaseHelpers(std::string_view text, std::string_view needle) {
  FUZZ_CHECK(ruz::EqualsIgnoreCase(text, needle) == ruz::EqualsIgnoreCase(needle, text));
  const std::size_t at = ruz::FindIgnoreCase(text, needle);
  if (at != std::string_view::npos) {
    FUZZ_CHECK(at + needle.size() <= text.size());
    FUZZ_CHECK(ruz::EqualsIgnoreCase(text.substr(at, needle.size()), needle));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char *>(data), size);
  // The converted path replaces the decoded one in its own block.
  const std::string guessed = ruz::ConvertToCp932Guessing(bytes);
  FUZZ_CHECK(guessed.size() <= bytes.size());
  if (IsAscii(bytes)) FUZZ_CHECK(guessed == bytes);

  const std::string utf8 = ruz::Cp932ToUtf8(bytes);
  FUZZ_CHECK(IsUtf8(utf8));
  (void)ruz::Utf8ToCp932(bytes);
  // The way back takes whatever the way there produced, U+FFFD included.
  (void)ruz::Utf8ToCp932(utf8);

  FuzzedDataProvider input(data, size);
  const std::string needle = input.ConsumeRandomLengthString(16);
  CheckCaseHelpers(input.ConsumeRemainingBytesAsString(), needle);
  return 0;
}
