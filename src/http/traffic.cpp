// Per-second buckets in a ring and sharded, bounded counters of paths and clients.
#include "http/traffic.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace ruz {

namespace {

constexpr int kFirstCodeOfClass = 200;
constexpr int kCodesPerClass = 100;

std::uint64_t HashText(std::string_view text) {
  std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::size_t RingIndex(std::int64_t value, std::int64_t size) {
  return static_cast<std::size_t>(((value % size) + size) % size);
}

}  // namespace

std::int64_t TrafficClock() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

StatusClass ClassOf(int code) {
  const int index = (code - kFirstCodeOfClass) / kCodesPerClass;
  if (code < kFirstCodeOfClass || index >= kStatusClasses) return kStatusClasses;
  return static_cast<StatusClass>(index);
}

std::uint64_t TopCounter::HourCount(const Entry &entry, std::int64_t window) {
  std::uint64_t sum = 0;
  for (int i = 0; i < kWindows; ++i) {
    if (entry.windows[i] > window - kWindows && entry.windows[i] <= window) sum += entry.counts[i];
  }
  return sum;
}

void TopCounter::Add(Entry &entry, std::int64_t window, std::uint32_t amount) {
  const std::size_t i = RingIndex(window, kWindows);
  if (entry.windows[i] != window) {
    entry.windows[i] = window;
    entry.counts[i] = 0;
  }
  entry.counts[i] += amount;
}

// The entry of the text; a new one in a free place, or in place of the entry
// counted least this hour, which the new text inherits (so a text that keeps
// coming is never undercounted).
TopCounter::Entry &TopCounter::Choose(Shard &shard, std::uint64_t hash, std::string_view text,
                                      std::int64_t window) {
  for (int i = 0; i < shard.used; ++i) {
    Entry &entry = shard.entries[i];
    if (entry.hash == hash && std::string_view(entry.text.data(), entry.length) == text) {
      return entry;
    }
  }
  Entry *target = nullptr;
  std::uint64_t inherited = 0;
  if (shard.used < kEntriesPerShard) {
    target = &shard.entries[shard.used++];
  } else {
    target = &shard.entries[0];
    inherited = HourCount(*target, window);
    for (Entry &entry : shard.entries) {
      const std::uint64_t count = HourCount(entry, window);
      if (count < inherited) {
        target = &entry;
        inherited = count;
      }
    }
  }
  *target = Entry{};
  target->hash = hash;
  target->length = static_cast<std::uint8_t>(text.size());
  std::memcpy(target->text.data(), text.data(), text.size());
  Add(*target, window, static_cast<std::uint32_t>(inherited));
  return *target;
}

void TopCounter::Count(std::string_view text, std::int64_t second) {
  if (text.empty()) return;
  text = text.substr(0, kTopTextLength);
  const std::uint64_t hash = HashText(text);
  const std::int64_t window = second / kWindowSeconds;
  Shard &shard = shards_[hash % kShards];
  std::lock_guard lock(shard.mutex);
  Add(Choose(shard, hash, text, window), window, 1);
}

std::vector<RankedText> TopCounter::Top(std::int64_t second, int count) const {
  const std::int64_t window = second / kWindowSeconds;
  std::vector<RankedText> all;
  for (const Shard &shard : shards_) {
    std::lock_guard lock(shard.mutex);
    for (int i = 0; i < shard.used; ++i) {
      const Entry &entry = shard.entries[i];
      const std::uint64_t hits = HourCount(entry, window);
      if (hits > 0) all.push_back({std::string(entry.text.data(), entry.length), hits});
    }
  }
  const auto rank = [](const RankedText &a, const RankedText &b) {
    return a.count != b.count ? a.count > b.count : a.text < b.text;
  };
  const std::size_t kept = std::min(all.size(), static_cast<std::size_t>(count));
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(kept), all.end(), rank);
  all.resize(kept);
  return all;
}

// The bucket of second, emptied by the first writer of that second. Every
// writer of a second sees the counters emptied before it adds: the emptying
// happens before the second is published (release), and writers add only
// after they have read it (acquire).
TrafficFigures::Bucket &TrafficFigures::BucketFor(std::int64_t second) {
  Bucket &bucket = buckets_[RingIndex(second, kTrafficSeconds)];
  if (bucket.second.load(std::memory_order_acquire) == second) return bucket;
  std::lock_guard lock(resetLock_);
  if (bucket.second.load(std::memory_order_relaxed) != second) {
    bucket.requests.store(0, std::memory_order_relaxed);
    bucket.bytes.store(0, std::memory_order_relaxed);
    for (auto &count : bucket.classes) count.store(0, std::memory_order_relaxed);
    bucket.second.store(second, std::memory_order_release);
  }
  return bucket;
}

void TrafficFigures::Record(std::int64_t second, std::string_view path, std::string_view client,
                            int code, std::uint64_t bytes) {
  Bucket &bucket = BucketFor(second);
  bucket.requests.fetch_add(1, std::memory_order_relaxed);
  bucket.bytes.fetch_add(bytes, std::memory_order_relaxed);
  const StatusClass statusClass = ClassOf(code);
  if (statusClass != kStatusClasses) {
    bucket.classes[statusClass].fetch_add(1, std::memory_order_relaxed);
  }
  totalRequests_.fetch_add(1, std::memory_order_relaxed);
  totalBytes_.fetch_add(bytes, std::memory_order_relaxed);
  paths_.Count(path, second);
  clients_.Count(client, second);
}

TrafficSnapshot TrafficFigures::Snapshot(std::int64_t second) const {
  TrafficSnapshot snapshot;
  snapshot.requestsPerSecond.assign(kTrafficSeconds, 0);
  snapshot.bytesPerSecond.assign(kTrafficSeconds, 0);
  for (int i = 0; i < kTrafficSeconds; ++i) {
    const std::int64_t wanted = second - (kTrafficSeconds - 1) + i;
    const Bucket &bucket = buckets_[RingIndex(wanted, kTrafficSeconds)];
    if (bucket.second.load(std::memory_order_acquire) != wanted) continue;
    snapshot.requestsPerSecond[i] = bucket.requests.load(std::memory_order_relaxed);
    snapshot.bytesPerSecond[i] = bucket.bytes.load(std::memory_order_relaxed);
    for (int c = 0; c < kStatusClasses; ++c) {
      snapshot.classCounts[c] += bucket.classes[c].load(std::memory_order_relaxed);
    }
  }
  snapshot.topPaths = paths_.Top(second, kTopCount);
  snapshot.topClients = clients_.Top(second, kTopCount);
  snapshot.totalRequests = totalRequests_.load(std::memory_order_relaxed);
  snapshot.totalBytes = totalBytes_.load(std::memory_order_relaxed);
  return snapshot;
}

}  // namespace ruz
