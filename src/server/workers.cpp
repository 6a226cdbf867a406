// Connection threads that outlive their connection.
#include "server/workers.h"

#include <system_error>
#include <thread>

#include "platform/tls.h"

namespace ruz {

ConnectionWorkers::ConnectionWorkers(Serve serve, std::chrono::milliseconds idleLinger)
    : serve_(std::move(serve)), idleLinger_(idleLinger) {}

ConnectionWorkers::~ConnectionWorkers() { StopAndWait(); }

bool ConnectionWorkers::Start(ConnectionSlot &slot) {
  std::lock_guard lock(mutex_);
  // Each idle worker takes at most one handed slot.
  if (idle_ > static_cast<int>(handed_.size())) {
    handed_.push_back(&slot);
    work_.notify_one();
    return true;
  }
  try {
    std::thread([this, &slot] { Run(&slot); }).detach();
  } catch (const std::system_error &) {
    return false;
  }
  ++live_;
  return true;
}

void ConnectionWorkers::Run(ConnectionSlot *slot) {
  std::unique_lock lock(mutex_);
  while (slot != nullptr) {
    lock.unlock();
    serve_(*slot);
    lock.lock();
    slot = WaitForNext(lock);
  }
  lock.unlock();
  ReleaseThreadTlsState();
  lock.lock();
  if (--live_ == 0) ended_.notify_all();
}

// The next handed slot, or nullptr when the worker should exit.
ConnectionSlot *ConnectionWorkers::WaitForNext(std::unique_lock<std::mutex> &lock) {
  ++idle_;
  work_.wait_for(lock, idleLinger_, [this] { return !handed_.empty() || stopping_; });
  --idle_;
  if (handed_.empty()) return nullptr;
  ConnectionSlot *next = handed_.front();
  handed_.pop_front();
  return next;
}

void ConnectionWorkers::StopAndWait() {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  work_.notify_all();
  ended_.wait(lock, [this] { return live_ == 0; });
}

int ConnectionWorkers::LiveCount() {
  std::lock_guard lock(mutex_);
  return live_;
}

int ConnectionWorkers::IdleCount() {
  std::lock_guard lock(mutex_);
  return idle_;
}

}  // namespace ruz
