// The traffic figures written by many connection threads at once while a
// display reads them: no count is lost (also run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "http/traffic.h"

namespace ruz::test {
namespace {

TEST(TrafficWritersTest, ConcurrentWritersAcrossSecondsLoseNoCount) {
  constexpr int kWriters = 8;
  constexpr int kPerWriter = 5000;
  constexpr std::int64_t kFirstSecond = 7200;
  TrafficFigures figures;
  std::atomic<bool> writing{true};
  std::thread reader([&] {
    while (writing.load()) (void)figures.Snapshot(kFirstSecond + 4);
  });
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&figures, w] {
      const std::string client = "10.0.0." + std::to_string(w);
      for (int i = 0; i < kPerWriter; ++i) {
        // Writers move through five seconds, so buckets are started concurrently.
        const std::int64_t second = kFirstSecond + i * 5 / kPerWriter;
        figures.Record(second, i % 2 == 0 ? "/even" : "/odd", client, i % 3 == 0 ? 404 : 200, 10);
      }
    });
  }
  for (std::thread &writer : writers) writer.join();
  writing = false;
  reader.join();

  const TrafficSnapshot s = figures.Snapshot(kFirstSecond + 4);
  const std::uint64_t total = kWriters * kPerWriter;
  EXPECT_EQ(std::accumulate(s.requestsPerSecond.begin(), s.requestsPerSecond.end(), 0ULL), total);
  EXPECT_EQ(std::accumulate(s.bytesPerSecond.begin(), s.bytesPerSecond.end(), 0ULL), total * 10);
  EXPECT_EQ(s.classCounts[kClass2xx] + s.classCounts[kClass4xx], total);
  ASSERT_EQ(s.topPaths.size(), 2u);
  EXPECT_EQ(s.topPaths[0].count + s.topPaths[1].count, total);
  ASSERT_EQ(s.topClients.size(), static_cast<std::size_t>(kWriters));
  for (const RankedText &client : s.topClients) EXPECT_EQ(client.count, kPerWriter + 0u);
}

}  // namespace
}  // namespace ruz::test
