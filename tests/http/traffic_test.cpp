// The traffic figures: the hour of per-second buckets, the status classes and
// the bounded ranking of paths and clients.
#include "http/traffic.h"

#include <gtest/gtest.h>

#include <numeric>

namespace ruz {
namespace {

constexpr std::int64_t kStart = 100000;

std::uint64_t Sum(const std::vector<std::uint32_t> &series) {
  return std::accumulate(series.begin(), series.end(), std::uint64_t{0});
}

TEST(TrafficTest, SecondsOlderThanAnHourFallOutOfTheSeriesAndTheCounts) {
  TrafficFigures figures;
  figures.Record(kStart, "/a", "10.0.0.1", 200, 100);
  figures.Record(kStart, "/a", "10.0.0.1", 404, 50);
  figures.Record(kStart + 10, "/b", "10.0.0.2", 503, 7);
  figures.Record(kStart + 10, "/b", "10.0.0.2", 101, 0);

  TrafficSnapshot now = figures.Snapshot(kStart + 10);
  EXPECT_EQ(now.requestsPerSecond.back(), 2u);
  EXPECT_EQ(now.requestsPerSecond[kTrafficSeconds - 11], 2u);
  EXPECT_EQ(now.bytesPerSecond[kTrafficSeconds - 11], 150u);
  EXPECT_EQ(now.classCounts, (std::array<std::uint64_t, kStatusClasses>{1, 0, 1, 1}));

  // An hour later the first second has left the ring, and a new write to its
  // bucket starts it afresh.
  figures.Record(kStart + kTrafficSeconds, "/c", "10.0.0.3", 302, 1);
  TrafficSnapshot later = figures.Snapshot(kStart + kTrafficSeconds);
  EXPECT_EQ(Sum(later.requestsPerSecond), 3u);
  EXPECT_EQ(later.requestsPerSecond.back(), 1u);
  EXPECT_EQ(later.classCounts, (std::array<std::uint64_t, kStatusClasses>{0, 1, 0, 1}));
  EXPECT_EQ(later.totalRequests, 5u);
  EXPECT_EQ(later.totalBytes, 158u);
  EXPECT_EQ(Sum(figures.Snapshot(kStart + 3 * kTrafficSeconds).requestsPerSecond), 0u);
}

TEST(TrafficTest, RankingKeepsFrequentTextsAmongManyRareOnesAndForgetsTheLastHour) {
  TopCounter counter;
  for (int i = 0; i < 50; ++i) counter.Count("/popular", kStart);
  for (int i = 0; i < 20; ++i) counter.Count("/second", kStart + 1);
  // Far more distinct texts than the counter keeps.
  for (int i = 0; i < 3000; ++i) counter.Count("/rare/" + std::to_string(i), kStart + 2);
  counter.Count(std::string(300, 'x'), kStart + 2);  // cut, never overflowing its entry

  std::vector<RankedText> top = counter.Top(kStart + 2, kTopCount);
  ASSERT_EQ(top.size(), static_cast<std::size_t>(kTopCount));
  EXPECT_EQ(top[0].text, "/popular");
  EXPECT_GE(top[0].count, 50u);
  EXPECT_EQ(top[1].text, "/second");
  EXPECT_GE(top[1].count, 20u);
  EXPECT_TRUE(counter.Top(kStart + 2 * kTrafficSeconds, kTopCount).empty());
}

TEST(TrafficTest, StatusClassesCoverTwoHundredToFiveNinetyNine) {
  const std::pair<int, StatusClass> cases[] = {
      {101, kStatusClasses}, {200, kClass2xx}, {299, kClass2xx}, {304, kClass3xx},
      {404, kClass4xx},      {599, kClass5xx}, {600, kStatusClasses}, {0, kStatusClasses}};
  for (const auto &[code, expected] : cases) EXPECT_EQ(ClassOf(code), expected) << code;
}

}  // namespace
}  // namespace ruz
