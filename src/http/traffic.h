// The traffic figures of a running server: requests and bytes per second over
// the last hour, counts by status class and the most requested paths and most
// active clients, updated as each request finishes.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

/// The seconds the figures span (one per-second bucket each).
inline constexpr int kTrafficSeconds = 3600;
/// How many paths and clients a snapshot ranks.
inline constexpr int kTopCount = 10;

/// 2xx, 3xx, 4xx and 5xx; other codes count in none.
enum StatusClass { kClass2xx = 0, kClass3xx, kClass4xx, kClass5xx, kStatusClasses };

/// A text and how often it came in the last hour. Counts are exact while fewer
/// distinct texts came than the counter keeps; beyond that a rare text may be
/// dropped and counts may be too high by at most what a dropped text had.
struct RankedText {
  std::string text;  // CP932, cut to kTopTextLength bytes
  std::uint64_t count = 0;
};

/// A consistent enough copy for a display; every series is oldest first and
/// ends with the second the snapshot was taken in.
struct TrafficSnapshot {
  std::vector<std::uint32_t> requestsPerSecond;  // kTrafficSeconds values
  std::vector<std::uint64_t> bytesPerSecond;     // kTrafficSeconds values
  std::array<std::uint64_t, kStatusClasses> classCounts{};  // the last hour
  std::vector<RankedText> topPaths;    // at most kTopCount, most first
  std::vector<RankedText> topClients;  // at most kTopCount, most first
  std::uint64_t totalRequests = 0;     // since the server started
  std::uint64_t totalBytes = 0;
};

inline constexpr std::size_t kTopTextLength = 120;

/// Counts texts over the last hour in a fixed number of entries (no allocation
/// when counting), in shards with a lock each so concurrent writers seldom meet.
class TopCounter {
 public:
  /// Any thread.
  void Count(std::string_view text, std::int64_t second);
  /// Any thread: the most frequent texts of the hour ending at second.
  std::vector<RankedText> Top(std::int64_t second, int count) const;

 private:
  // The hour in six ten-minute windows, each count tagged with its window.
  static constexpr int kWindows = 6;
  static constexpr std::int64_t kWindowSeconds = kTrafficSeconds / kWindows;
  static constexpr int kShards = 8;
  static constexpr int kEntriesPerShard = 64;
  struct Entry {
    std::uint64_t hash = 0;
    std::uint8_t length = 0;
    std::array<char, kTopTextLength> text{};
    std::array<std::uint32_t, kWindows> counts{};
    std::array<std::int64_t, kWindows> windows{};
  };
  struct Shard {
    mutable std::mutex mutex;
    std::array<Entry, kEntriesPerShard> entries{};
    int used = 0;
  };
  static std::uint64_t HourCount(const Entry &entry, std::int64_t window);
  static void Add(Entry &entry, std::int64_t window, std::uint32_t amount);
  static Entry &Choose(Shard &shard, std::uint64_t hash, std::string_view text,
                       std::int64_t window);
  std::array<Shard, kShards> shards_;
};

class TrafficFigures {
 public:
  TrafficFigures() = default;
  TrafficFigures(const TrafficFigures &) = delete;
  TrafficFigures &operator=(const TrafficFigures &) = delete;

  /// Any thread, as a request finishes: second is from TrafficClock (or a
  /// test's own count), path and client are CP932 (an empty one is not ranked).
  void Record(std::int64_t second, std::string_view path, std::string_view client, int code,
              std::uint64_t bytes);
  /// Any thread: the figures up to and including second.
  TrafficSnapshot Snapshot(std::int64_t second) const;

 private:
  struct Bucket {
    std::atomic<std::int64_t> second{-1};
    std::atomic<std::uint32_t> requests{0};
    std::atomic<std::uint64_t> bytes{0};
    std::array<std::atomic<std::uint32_t>, kStatusClasses> classes{};
  };
  Bucket &BucketFor(std::int64_t second);

  std::array<Bucket, kTrafficSeconds> buckets_;
  std::mutex resetLock_;  // taken once a second, by the first writer of that second
  std::atomic<std::uint64_t> totalRequests_{0};
  std::atomic<std::uint64_t> totalBytes_{0};
  TopCounter paths_;
  TopCounter clients_;
};

/// Whole seconds of a monotonic clock, for Record and Snapshot.
std::int64_t TrafficClock();

/// The class of a status code, or kStatusClasses for none.
StatusClass ClassOf(int code);

}  // namespace ruz
