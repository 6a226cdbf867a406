// The Range header: "bytes=a-b" parsed leniently, then applied to a file size.
#include "content/byte_range.h"

#include <limits>

namespace ruz {

namespace {

constexpr std::string_view kRangeUnit = "bytes=";

// Reads like StrToInt: an optional minus, then digits up to the first other
// character; no digits give 0. Saturates instead of overflowing.
std::int64_t ParseLenientInteger(std::string_view text) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    int digit = c - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

std::int64_t ParseRangeSide(std::string_view text) {
  return text.empty() ? -1 : ParseLenientInteger(text);
}

}  // namespace

std::optional<ByteRange> ParseRange(std::string_view value) {
  if (!value.starts_with(kRangeUnit)) return std::nullopt;
  // Only the first range of a list is used, and it ends at the first comma.
  std::string_view rangeSet = value.substr(kRangeUnit.size());
  rangeSet = rangeSet.substr(0, rangeSet.find(','));
  std::size_t dash = rangeSet.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  std::string_view last = rangeSet.substr(dash + 1);
  last = last.substr(0, last.find_first_of("\r\n"));
  return ByteRange{ParseRangeSide(rangeSet.substr(0, dash)), ParseRangeSide(last)};
}

bool ResolveRange(const ByteRange &range, std::uint64_t size, FileSpan &span) {
  if (size == 0) return false;
  std::uint64_t first = 0;
  std::uint64_t last = size - 1;
  if (range.first < 0) {
    // Suffix form: the last range.last bytes. -1 ("bytes=-") and negative
    // lengths select nothing.
    if (range.last <= 0) return false;
    std::uint64_t suffix = static_cast<std::uint64_t>(range.last);
    first = suffix >= size ? 0 : size - suffix;
  } else {
    first = static_cast<std::uint64_t>(range.first);
    if (range.last != -1) {
      if (range.last < 0) return false;
      last = std::min(last, static_cast<std::uint64_t>(range.last));
    }
  }
  if (first > last || first >= size) return false;
  span.first = first;
  span.count = last - first + 1;
  return true;
}

}  // namespace ruz
