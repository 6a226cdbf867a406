// The Range header value, and the part of a file it selects.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "content/byte_range.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::uint64_t fileSize = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint64_t>(0, 4096)
                                                     : input.ConsumeIntegral<std::uint64_t>();
  const std::string value = input.ConsumeRemainingBytesAsString();
  const std::optional<ruz::ByteRange> parsed = ruz::ParseRange(value);
  if (!parsed) {
    // Only the first range of a list is read: it ends at the first comma.
    const std::string first = value.substr(0, value.find(','));
    FUZZ_CHECK(!first.starts_with("bytes=") || first.find('-') == first.npos);
    return 0;
  }
  ruz::FileSpan span;
  if (ruz::ResolveRange(*parsed, fileSize, span)) {
    // A selected part is never empty and never reaches past the file's end.
    FUZZ_CHECK(span.count >= 1);
    FUZZ_CHECK(span.first < fileSize);
    FUZZ_CHECK(span.count <= fileSize - span.first);
  }
  return 0;
}
