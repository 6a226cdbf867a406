// The Range header: "bytes=a-b" parsed leniently, then applied to a file size.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ruz {

/// A byte range as parsed: first/last, -1 for an absent side.
struct ByteRange {
  std::int64_t first = -1;
  std::int64_t last = -1;
};

/// The pair when value has the accepted "bytes=a-b" form.
std::optional<ByteRange> ParseRange(std::string_view value);

/// The part of a file a response carries: count bytes from first.
struct FileSpan {
  std::uint64_t first = 0;
  std::uint64_t count = 0;
};

/// Applies a parsed range to a file of size bytes. True with the selected bytes
/// when the range selects at least one byte; false when it must be ignored.
bool ResolveRange(const ByteRange &range, std::uint64_t size, FileSpan &span);

}  // namespace ruz
