// The time a client may take to send a header or a body.
#include "http/minimum_rate.h"

#include <gtest/gtest.h>

namespace ruz::test {
namespace {

using std::chrono::milliseconds;

TEST(MinimumRateTest, TimeGrowsWithWhatArrivedWithinItsBounds) {
  constexpr int kDefaultTimeout = 300000;
  const struct {
    ClientPart part;
    std::uint64_t bytes;
    int connecttimeout;
    milliseconds allowed;
  } cases[] = {
      {ClientPart::kHeader, 0, kDefaultTimeout, milliseconds(20000)},
      {ClientPart::kHeader, 499, kDefaultTimeout, milliseconds(20000)},
      {ClientPart::kHeader, 5000, kDefaultTimeout, milliseconds(30000)},
      {ClientPart::kHeader, 65535, kDefaultTimeout, milliseconds(40000)},  // a header's cap
      {ClientPart::kBody, 1000000, kDefaultTimeout, milliseconds(300000)},  // connecttimeout caps
      {ClientPart::kBody, 50000, kDefaultTimeout, milliseconds(120000)},
      {ClientPart::kBody, ~std::uint64_t{0}, 0, milliseconds(20000) + std::chrono::seconds(1 << 30)},
      {ClientPart::kHeader, 0, 5000, milliseconds(5000)},  // a shorter connecttimeout wins
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(AllowedSendingTime(c.part, c.bytes, c.connecttimeout), c.allowed);
  }
  EXPECT_EQ(LongestClientWaitMs(kDefaultTimeout), 20000);
  EXPECT_EQ(LongestClientWaitMs(3000), 3000);
  EXPECT_EQ(LongestClientWaitMs(0), 0);  // no limit stays no limit
}

}  // namespace
}  // namespace ruz::test
