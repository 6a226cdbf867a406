// Range header parsing and its application to a file size.
#include <gtest/gtest.h>

#include "content/byte_range.h"

namespace ruz {
namespace {

struct RangeCase {
  const char *value;
  std::uint64_t size;
  bool selected;
  std::uint64_t first;
  std::uint64_t count;
};

constexpr std::uint64_t kFiveGiB = 5ull << 30;

TEST(ByteRangeTest, SelectsThePartHttpDefinesOrIgnoresTheRange) {
  const RangeCase cases[] = {
      {"bytes=0-99", 1000, true, 0, 100},
      {"bytes=-100", 1000, true, 900, 100},
      {"bytes=900-", 1000, true, 900, 100},
      {"bytes=5-5", 1000, true, 5, 1},
      {"bytes=900-2000", 1000, true, 900, 100},
      {"bytes=-5000", 1000, true, 0, 1000},
      {"bytes=0-99,200-299", 1000, true, 0, 100},
      {"bytes=0-,5-9", 19, true, 0, 19},  // the first range ends at its comma
      {"bytes=-5,0-1", 19, true, 14, 5},
      {"bytes=2000-,0-1", 1000, false, 0, 0},
      {"bytes=999-999", 1000, true, 999, 1},
      {"bytes=2000-", 1000, false, 0, 0},
      {"bytes=2000-3000", 1000, false, 0, 0},
      {"bytes=1000-", 1000, false, 0, 0},
      {"bytes=50-10", 1000, false, 0, 0},
      {"bytes=-0", 1000, false, 0, 0},
      {"bytes=-", 1000, false, 0, 0},
      {"bytes=0-", 0, false, 0, 0},
      {"bytes=--5", 1000, false, 0, 0},
      {"bytes=5--3", 1000, false, 0, 0},
      // Sides read like StrToInt: digits up to the first other character.
      {"bytes=10x-20y", 1000, true, 10, 11},
      {"bytes=abc-5", 1000, true, 0, 6},
      // Offsets and sizes beyond 32 bits.
      {"bytes=5368709000-", kFiveGiB, true, 5368709000ull, kFiveGiB - 5368709000ull},
      {"bytes=4294967296-4294967305", kFiveGiB, true, 4294967296ull, 10},
      {"bytes=-4294967396", kFiveGiB, true, kFiveGiB - 4294967396ull, 4294967396ull},
      {"bytes=0-99999999999999999999999", 1000, true, 0, 1000},
      {"bytes=-99999999999999999999999", 1000, true, 0, 1000},
  };
  for (const RangeCase &c : cases) {
    SCOPED_TRACE(c.value);
    const std::optional<ByteRange> range = ParseRange(c.value);
    ASSERT_TRUE(range);
    FileSpan span;
    ASSERT_EQ(ResolveRange(*range, c.size, span), c.selected);
    if (c.selected) {
      EXPECT_EQ(span.first, c.first);
      EXPECT_EQ(span.count, c.count);
    }
  }
}

TEST(ByteRangeTest, RefusesValuesWithoutTheUnitOrADash) {
  for (const char *value : {"items=0-99", "bytes=100", "Bytes=0-99", "", "bytes", " bytes=0-1"}) {
    SCOPED_TRACE(value);
    EXPECT_FALSE(ParseRange(value));
  }
}

TEST(ByteRangeTest, EmptySidesReadAsMinusOneAndTheSecondEndsAtALineBreak) {
  std::optional<ByteRange> range = ParseRange("bytes=-");
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, -1);
  EXPECT_EQ(range->last, -1);
  range = ParseRange("bytes=3-\r\n7");
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 3);
  EXPECT_EQ(range->last, -1);
}

}  // namespace
}  // namespace ruz
