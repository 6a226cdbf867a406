// Event counters, stop signals and waiting on descriptors (eventfd, signalfd, poll).
#include "platform/events.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <vector>

namespace ruz {

EventFd::EventFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

EventFd::~EventFd() {
  if (fd_ >= 0) ::close(fd_);
}

void EventFd::Signal() const {
  std::uint64_t one = 1;
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void EventFd::Drain() const {
  std::uint64_t value = 0;
  while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {
  }
}

IntervalTimer::IntervalTimer(std::chrono::milliseconds interval)
    : fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)) {
  if (fd_ >= 0) Set(interval);
}

void IntervalTimer::Set(std::chrono::milliseconds interval) const {
  itimerspec period{};
  period.it_interval.tv_sec = static_cast<time_t>(interval.count() / 1000);
  period.it_interval.tv_nsec = static_cast<long>(interval.count() % 1000) * 1000000L;
  period.it_value = period.it_interval;  // all zero: stopped
  ::timerfd_settime(fd_, 0, &period, nullptr);
}

IntervalTimer::~IntervalTimer() {
  if (fd_ >= 0) ::close(fd_);
}

void IntervalTimer::Drain() const {
  std::uint64_t expirations = 0;
  while (::read(fd_, &expirations, sizeof expirations) < 0 && errno == EINTR) {
  }
}

std::size_t RaiseDescriptorLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  // Enough for every waiting connection; programs the server starts inherit
  // the limit, so it stays within what ordinary programs expect.
  constexpr rlim_t kEnough = 65536;
  const rlim_t wanted = std::min(limit.rlim_max, kEnough);
  if (limit.rlim_cur < wanted) {
    limit.rlim_cur = wanted;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::getrlimit(RLIMIT_NOFILE, &limit);
  }
  return limit.rlim_cur == RLIM_INFINITY ? std::size_t{1} << 20 : static_cast<std::size_t>(limit.rlim_cur);
}

namespace {

sigset_t StopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

StopSignals::StopSignals() {
  sigset_t set = StopSignalSet();
  if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return;
  fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

StopSignals::~StopSignals() {
  if (fd_ >= 0) ::close(fd_);
}

bool StopSignals::Take() const {
  signalfd_siginfo info{};
  for (;;) {
    ssize_t n = ::read(fd_, &info, sizeof info);
    if (n == static_cast<ssize_t>(sizeof info)) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

int WaitForReadable(std::initializer_list<int> fds, int timeoutMilliseconds) {
  return WaitForReadable(std::span<const int>(fds.begin(), fds.size()), timeoutMilliseconds);
}

int WaitForReadable(std::span<const int> fds, int timeoutMilliseconds) {
  std::vector<pollfd> polled;
  std::vector<int> index;
  int i = 0;
  for (int fd : fds) {
    if (fd >= 0) {
      polled.push_back({fd, POLLIN, 0});
      index.push_back(i);
    }
    ++i;
  }
  int r;
  do {
    r = ::poll(polled.data(), polled.size(), timeoutMilliseconds);
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return -1;
  for (std::size_t k = 0; k < polled.size(); ++k) {
    if (polled[k].revents != 0) return index[k];
  }
  return -1;
}

OutputStatus WriteToOutput(int fd, std::string_view &bytes, int timeoutMs) {
  // A pipe that polls writable takes PIPE_BUF bytes without blocking.
  while (!bytes.empty()) {
    pollfd polled{fd, POLLOUT, 0};
    int r;
    do {
      r = ::poll(&polled, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return OutputStatus::kBlocked;
    if (r < 0 || (polled.revents & (POLLERR | POLLNVAL)) != 0) return OutputStatus::kClosed;
    const ssize_t n = ::write(fd, bytes.data(), std::min<std::size_t>(bytes.size(), PIPE_BUF));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return OutputStatus::kClosed;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return OutputStatus::kWritten;
}

void IgnoreBrokenPipeSignal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace ruz
