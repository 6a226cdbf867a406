// Connection threads that accept for themselves from one shared poller.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "integration/fault_probe.h"
#include "platform/poller.h"
#include "platform/socket.h"
#include "server/workers.h"

namespace ruz::test {
namespace {

using std::chrono::milliseconds;

constexpr std::uint64_t kListenerTag = 0;

// A loopback listener watched by the poller, one wake-up at a time as the
// server watches its own; each accepted connection is counted with the thread
// that took it.
struct Accepting {
  Poller poller;
  ListenResult listener;
  std::mutex mutex;
  std::set<std::thread::id> threads;
  std::atomic<int> accepted{0};

  Accepting() {
    IpAddress loopback;
    EXPECT_TRUE(ParseIpAddress("127.0.0.1", loopback));
    listener = ListenTcp(loopback, 0, 255);
    EXPECT_TRUE(poller.WatchReadableOnce(listener.socket.Descriptor(), kListenerTag));
  }
  // Takes one waiting connection, if this thread is first to it.
  bool Take() {
    AcceptResult taken = TakeConnection(listener.socket);
    poller.Rearm(listener.socket.Descriptor(), kListenerTag);
    if (taken.status != AcceptStatus::kAccepted) return false;
    std::lock_guard lock(mutex);
    threads.insert(std::this_thread::get_id());
    ++accepted;
    return true;
  }
  // An event taken but left to another thread.
  void HandBack() { poller.Rearm(listener.socket.Descriptor(), kListenerTag); }
  Socket Connect() { return ConnectTcp("127.0.0.1", listener.boundPort, 5000); }
};

TEST(ConnectionThreadsTest, ConnectionsOneAfterAnotherKeepOneThreadWaitingAndOneServing) {
  Accepting site;
  ConnectionThreads threads(site.poller, [&](std::uint64_t) { site.Take(); },
                            [&](std::uint64_t) { site.HandBack(); }, 8, milliseconds(60000));
  ASSERT_TRUE(threads.Start());
  for (int i = 1; i <= 5; ++i) {
    Socket client = site.Connect();
    ASSERT_TRUE(client.IsValid());
    EXPECT_EQ(SettlesTo(i, [&] { return site.accepted.load(); }), i);
  }
  // The first connection left no thread waiting, so one more was started;
  // after that a waiting thread was always left.
  EXPECT_EQ(threads.LiveCount(), 2);
  EXPECT_EQ(SettlesTo(2, [&] { return threads.IdleCount(); }), 2);
  threads.StopAndWait();  // lets the waiting threads go at once, long linger or not
  EXPECT_EQ(threads.LiveCount(), 0);
}

TEST(ConnectionThreadsTest, EveryConnectionIsTakenOnceAndBusyThreadsStayUnderTheLimit) {
  constexpr int kConnections = 400;
  constexpr int kMaxThreads = 5;
  Accepting site;
  std::atomic<int> busy{0};
  std::atomic<int> mostBusy{0};
  ConnectionThreads threads(
      site.poller,
      [&](std::uint64_t) {
        const int now = ++busy;
        for (int seen = mostBusy.load(); now > seen && !mostBusy.compare_exchange_weak(seen, now);) {
        }
        site.Take();
        --busy;
      },
      [&](std::uint64_t) { site.HandBack(); }, kMaxThreads, milliseconds(60000));
  ASSERT_TRUE(threads.Start());
  std::mutex clientsLock;
  std::vector<Socket> clients;
  const int failed = RunJobsConcurrently(kConnections, 8, [&](int) {
    Socket client = site.Connect();
    if (!client.IsValid()) return false;
    std::lock_guard lock(clientsLock);
    clients.push_back(std::move(client));
    return true;
  });
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(SettlesTo(kConnections, [&] { return site.accepted.load(); }), kConnections);
  EXPECT_LE(mostBusy.load(), kMaxThreads);
  EXPECT_LE(threads.LiveCount(), kMaxThreads);
  threads.StopAndWait();
  EXPECT_EQ(threads.LiveCount(), 0);
}

TEST(ConnectionThreadsTest, IdleThreadsExitAfterTheLingerButOneKeepsWaiting) {
  Accepting site;
  std::mutex gateLock;
  std::condition_variable gateOpened;
  bool open = false;
  ConnectionThreads threads(
      site.poller,
      [&](std::uint64_t) {
        if (!site.Take()) return;
        std::unique_lock lock(gateLock);
        gateOpened.wait(lock, [&] { return open; });
      },
      [&](std::uint64_t) { site.HandBack(); }, 4, milliseconds(50));
  ASSERT_TRUE(threads.Start());
  std::vector<Socket> clients;
  for (int i = 0; i < 3; ++i) clients.push_back(site.Connect());
  EXPECT_EQ(SettlesTo(3, [&] { return site.accepted.load(); }), 3);
  EXPECT_EQ(threads.LiveCount(), 4);  // three held, one waiting
  {
    std::lock_guard lock(gateLock);
    open = true;
  }
  gateOpened.notify_all();
  EXPECT_EQ(SettlesTo(1, [&] { return threads.LiveCount(); }), 1);
  // The one left still takes the next connection.
  clients.push_back(site.Connect());
  EXPECT_EQ(SettlesTo(4, [&] { return site.accepted.load(); }), 4);
}

}  // namespace
}  // namespace ruz::test
