// Connection threads that wait for the next connection before they exit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "integration/fault_probe.h"
#include "http/connection_slot.h"
#include "server/workers.h"

namespace ruz::test {
namespace {

using std::chrono::milliseconds;

// Serves by recording which slot ran on which thread.
struct Recorder {
  std::mutex mutex;
  std::vector<ConnectionSlot *> served;
  std::set<std::thread::id> threads;

  ConnectionWorkers::Serve Serve() {
    return [this](ConnectionSlot &slot) {
      std::lock_guard lock(mutex);
      served.push_back(&slot);
      threads.insert(std::this_thread::get_id());
    };
  }
  std::size_t ServedCount() {
    std::lock_guard lock(mutex);
    return served.size();
  }
};

TEST(ConnectionWorkersTest, AnIdleWorkerTakesTheNextConnection) {
  Recorder recorder;
  ConnectionWorkers workers(recorder.Serve(), milliseconds(60000));
  ConnectionSlot slots[3];
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(workers.Start(slots[i]));
    EXPECT_EQ(SettlesTo(i + 1, [&] { return recorder.ServedCount(); }), i + 1);
    EXPECT_EQ(SettlesTo(1, [&] { return workers.IdleCount(); }), 1);
  }
  EXPECT_EQ(recorder.ServedCount(), 3u);
  EXPECT_EQ(recorder.threads.size(), 1u);
  EXPECT_EQ(workers.LiveCount(), 1);
  workers.StopAndWait();  // lets the idle worker go at once, long linger or not
  EXPECT_EQ(workers.LiveCount(), 0);
}

TEST(ConnectionWorkersTest, EveryConnectionIsServedOnceWhileManyRunTogether) {
  constexpr int kConnections = 2000;
  std::vector<ConnectionSlot> slots(kConnections);
  std::vector<std::atomic<int>> servedCount(kConnections);
  ConnectionWorkers workers(
      [&](ConnectionSlot &slot) { ++servedCount[&slot - slots.data()]; },
      milliseconds(60000));
  const int failed =
      RunJobsConcurrently(kConnections, 8, [&](int i) { return workers.Start(slots[i]); });
  EXPECT_EQ(failed, 0);
  workers.StopAndWait();  // a handed connection is still served before its worker exits
  for (int i = 0; i < kConnections; ++i) EXPECT_EQ(servedCount[i].load(), 1) << i;
  EXPECT_EQ(workers.LiveCount(), 0);
}

TEST(ConnectionWorkersTest, IdleWorkersExitAfterTheLinger) {
  Recorder recorder;
  ConnectionWorkers workers(recorder.Serve(), milliseconds(50));
  ConnectionSlot slots[4];
  for (ConnectionSlot &slot : slots) ASSERT_TRUE(workers.Start(slot));
  EXPECT_EQ(SettlesTo(0, [&] { return workers.LiveCount(); }), 0);
  EXPECT_EQ(recorder.ServedCount(), 4u);
  // A worker is started again once none is left.
  ASSERT_TRUE(workers.Start(slots[0]));
  EXPECT_EQ(SettlesTo(std::size_t{5}, [&] { return recorder.ServedCount(); }), 5u);
}

}  // namespace
}  // namespace ruz::test
