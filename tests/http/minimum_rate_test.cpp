// The time a client may take to send a header or a body.
#include "http/minimum_rate.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

TEST(MinimumRateTest, AClientReadingUnder500BytesASecondOver20SecondsIsLost) {
  using std::chrono::seconds;
  const struct {
    const char *what;
    std::vector<std::pair<std::uint64_t, seconds>> sends;  // bytes, time waited
    bool keptUp;
  } cases[] = {
      {"a long wait that has not yet made 20 s", {{0, seconds(19)}}, true},
      {"20 s with 10,000 bytes", {{4000, seconds(10)}, {6000, seconds(10)}}, true},
      {"20 s with a byte too few", {{4999, seconds(10)}, {5000, seconds(10)}}, false},
      {"a stretch kept up with begins anew", {{10000, seconds(20)}, {0, seconds(19)}}, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ReadingPace pace;
    bool keptUp = true;
    for (const auto &[bytes, waited] : c.sends) keptUp = KeepsUpReading(pace, bytes, waited);
    EXPECT_EQ(keptUp, c.keptUp);
  }
}

}  // namespace
}  // namespace ruz::test
