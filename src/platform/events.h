// Waking a thread through descriptors: an event counter, the stop signals as a
// descriptor, and waiting until one of several descriptors is readable.
#pragma once

#include <chrono>
#include <cstddef>

#include <initializer_list>
#include <span>
#include <string_view>

namespace ruz {

/// An event counter descriptor that is readable while it has been signalled
/// and not yet drained. Closed by the destructor; "not set" is -1.
class EventFd {
 public:
  EventFd();
  ~EventFd();
  EventFd(const EventFd &) = delete;
  EventFd &operator=(const EventFd &) = delete;

  int Descriptor() const { return fd_; }
  void Signal() const;
  /// Makes the descriptor unreadable again (until the next Signal).
  void Drain() const;

 private:
  int fd_ = -1;
};

/// A descriptor that becomes readable every interval (timerfd) until Drain.
/// Closed by the destructor; "not set" is -1.
class IntervalTimer {
 public:
  /// Ticks every interval from now; an interval of 0 makes it stopped.
  explicit IntervalTimer(std::chrono::milliseconds interval);
  ~IntervalTimer();
  IntervalTimer(const IntervalTimer &) = delete;
  IntervalTimer &operator=(const IntervalTimer &) = delete;

  int Descriptor() const { return fd_; }
  /// Makes the descriptor unreadable until the next interval ends.
  void Drain() const;
  /// Ticks every interval from now on; 0 stops it.
  void Set(std::chrono::milliseconds interval) const;

 private:
  int fd_ = -1;
};

/// Raises this process's limit of open descriptors to the most it may have;
/// returns the limit then in force.
std::size_t RaiseDescriptorLimit();

/// SIGINT and SIGTERM delivered as a readable descriptor instead of to a
/// handler. Blocks both signals in the calling thread, so construct it on the
/// main thread before any other thread starts (threads inherit the mask).
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals &) = delete;
  StopSignals &operator=(const StopSignals &) = delete;

  int Descriptor() const { return fd_; }  // -1 when it could not be made
  /// True when a stop signal was pending (and consumes it).
  bool Take() const;

 private:
  int fd_ = -1;
};

/// Waits until one of fds is readable or the time-out (ms, -1: none) passes.
/// Returns the index of a readable descriptor, -1 on time-out or failure.
/// Negative descriptors are ignored.
int WaitForReadable(std::initializer_list<int> fds, int timeoutMilliseconds);
int WaitForReadable(std::span<const int> fds, int timeoutMilliseconds);

/// The process's standard output.
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

enum class OutputStatus { kWritten, kBlocked, kClosed };

/// Writes bytes to an output descriptor (a terminal, a pipe, a file) without
/// ever waiting longer than timeoutMs (-1: no limit) for room in it. bytes is
/// left holding what was not written: kBlocked when the reader did not make
/// room in time, kClosed when the reader is gone or the write failed.
OutputStatus WriteToOutput(int fd, std::string_view &bytes, int timeoutMs);

/// A write to a pipe or socket whose reader has gone fails instead of ending
/// the process.
void IgnoreBrokenPipeSignal();

}  // namespace ruz
