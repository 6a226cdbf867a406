// Connection threads that outlive their connection. A thread whose connection
// has ended waits a short while for the next one instead of exiting, so a busy
// server does not create and tear down a thread for every request. Each
// connection still has a thread of its own for as long as it lasts.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace ruz {

struct ConnectionSlot;

class ConnectionWorkers {
 public:
  using Serve = std::function<void(ConnectionSlot &)>;

  /// serve runs a connection on a worker thread; an idle worker exits after
  /// idleLinger without a connection.
  ConnectionWorkers(Serve serve, std::chrono::milliseconds idleLinger);
  ~ConnectionWorkers();  // stops and waits, like StopAndWait
  ConnectionWorkers(const ConnectionWorkers &) = delete;
  ConnectionWorkers &operator=(const ConnectionWorkers &) = delete;

  /// Hands the slot to an idle worker, or starts a new one. False when no
  /// thread could be made (the slot was not handed to anybody).
  bool Start(ConnectionSlot &slot);

  /// Lets idle workers go and waits until every worker has returned.
  void StopAndWait();

  /// Workers alive now (busy or idle), and of them the idle ones.
  int LiveCount();
  int IdleCount();

 private:
  void Run(ConnectionSlot *first);
  ConnectionSlot *WaitForNext(std::unique_lock<std::mutex> &lock);

  const Serve serve_;
  const std::chrono::milliseconds idleLinger_;
  std::mutex mutex_;
  std::condition_variable work_;   // idle workers wait here
  std::condition_variable ended_;  // StopAndWait waits here
  std::deque<ConnectionSlot *> handed_;
  int idle_ = 0;
  int live_ = 0;
  bool stopping_ = false;
};

}  // namespace ruz
