// The shared readiness poller over epoll.
#include "platform/poller.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace ruz {

Poller::Poller() : fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

Poller::~Poller() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {

bool Control(int pollFd, int operation, int fd, std::uint32_t events, std::uint64_t tag) {
  epoll_event event{};
  event.events = events;
  event.data.u64 = tag;
  return ::epoll_ctl(pollFd, operation, fd, &event) == 0;
}

}  // namespace

bool Poller::WatchReadable(int fd, std::uint64_t tag) const {
  return Control(fd_, EPOLL_CTL_ADD, fd, EPOLLIN, tag);
}

bool Poller::WatchReadableOnce(int fd, std::uint64_t tag) const {
  return Control(fd_, EPOLL_CTL_ADD, fd, EPOLLIN | EPOLLONESHOT, tag);
}

bool Poller::Rearm(int fd, std::uint64_t tag) const {
  return Control(fd_, EPOLL_CTL_MOD, fd, EPOLLIN | EPOLLONESHOT, tag);
}

PollEvent Poller::WaitOne(int timeoutMs) const {
  epoll_event event{};
  for (;;) {
    const int n = ::epoll_wait(fd_, &event, 1, timeoutMs);
    if (n == 1) return {PollWait::kReady, event.data.u64};
    if (n == 0) return {PollWait::kTimedOut, 0};
    if (errno != EINTR) return {PollWait::kFailed, 0};
  }
}

int Poller::WaitMany(PollEvent *events, int max, int timeoutMs) const {
  constexpr int kMost = 16;
  epoll_event ready[kMost];
  for (;;) {
    const int n = ::epoll_wait(fd_, ready, max < kMost ? max : kMost, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    for (int i = 0; i < n; ++i) events[i] = {PollWait::kReady, ready[i].data.u64};
    return n;
  }
}

}  // namespace ruz
