// The waiting room's bookkeeping: tags in parking order, so the front of the
// map is always the connection that has waited longest.
#include "http/waiting_room.h"

#include <iterator>
#include <thread>
#include <utility>

namespace ruz {

namespace {

// How often waits that have run out are looked for; a connection may wait
// this much longer than its time.
constexpr std::chrono::milliseconds kSweepInterval{500};

}  // namespace

std::size_t WaitingRoom::AddressHash::operator()(const IpAddress &address) const {
  // FNV-1a over the family and the bytes.
  std::uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
  mix(static_cast<std::uint8_t>(address.family));
  for (const std::uint8_t byte : address.bytes) mix(byte);
  return static_cast<std::size_t>(hash);
}

WaitingRoom::WaitingRoom(const Poller &poller, WaitingRoomLimits limits)
    : poller_(poller), limits_(limits), timer_(kSweepInterval) {
  timerWatched_ =
      timer_.Descriptor() >= 0 && poller_.WatchReadableOnce(timer_.Descriptor(), kTimerTag);
}

void WaitingRoom::Park(AcceptedConnection connection) {
  std::uint64_t tag = 0;
  int fd = -1;
  bool watched = false;
  {
    std::lock_guard lock(mutex_);
    if (closed_.load(std::memory_order_relaxed)) return;  // the connection closes as it goes out of scope
    parking_.fetch_add(1, std::memory_order_relaxed);
    const IpAddress address = connection.peer.address;
    MakeRoomLocked(address);
    tag = nextTag_++;
    fd = connection.socket.Descriptor();
    watched = connection.watched;
    connection.watched = true;
    ++perAddress_[address];
    const auto wait = connection.requestsServed > 0 ? limits_.idleWait : limits_.firstWait;
    entries_.emplace(tag, Waiting{std::move(connection), Clock::now() + wait, address});
  }
  // Watched outside the lock: the client's next request may come at once, and
  // the thread it wakes takes the connection out under the lock. Nothing else
  // closes the connection meanwhile: it is the newest (no eviction picks it),
  // its wait has just begun, and CloseAll waits for parking_.
  const bool armed = watched ? poller_.Rearm(fd, tag) : poller_.WatchReadableOnce(fd, tag);
  parking_.fetch_sub(1, std::memory_order_release);
  if (!armed) Take(tag);  // it cannot be watched: closed here
}

void WaitingRoom::MakeRoomLocked(const IpAddress &address) {
  if (const auto count = perAddress_.find(address);
      count != perAddress_.end() && count->second >= limits_.perAddress) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->second.address == address) {
        EraseLocked(it);
        break;
      }
    }
  }
  if (entries_.size() >= limits_.capacity && !entries_.empty()) EraseLocked(entries_.begin());
}

std::optional<AcceptedConnection> WaitingRoom::Take(std::uint64_t tag) {
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(tag);
  if (found == entries_.end()) return std::nullopt;  // closed meanwhile
  AcceptedConnection connection = std::move(found->second.connection);
  EraseLocked(found);
  return connection;
}

void WaitingRoom::HandBack(std::uint64_t tag) {
  if (tag == kTimerTag) {
    poller_.Rearm(timer_.Descriptor(), kTimerTag);
    return;
  }
  std::lock_guard lock(mutex_);
  const auto found = entries_.find(tag);
  if (found != entries_.end()) poller_.Rearm(found->second.connection.socket.Descriptor(), tag);
}

void WaitingRoom::EraseLocked(Entries::iterator at) {
  if (const auto count = perAddress_.find(at->second.address); count != perAddress_.end()) {
    if (--count->second == 0) perAddress_.erase(count);
  }
  entries_.erase(at);
}

void WaitingRoom::Sweep() {
  timer_.Drain();
  {
    std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    for (auto it = entries_.begin(); it != entries_.end();) {
      const auto next = std::next(it);
      if (it->second.deadline <= now) EraseLocked(it);
      it = next;
    }
  }
  poller_.Rearm(timer_.Descriptor(), kTimerTag);
}

void WaitingRoom::CloseAll() {
  std::lock_guard lock(mutex_);
  closed_.store(true);
  // A connection being watched right now is closed only once its watch is set.
  while (parking_.load(std::memory_order_acquire) > 0) std::this_thread::yield();
  entries_.clear();
  perAddress_.clear();
}

bool WaitingRoom::IsClosed() const {
  return closed_.load();
}

std::size_t WaitingRoom::Count() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace ruz
