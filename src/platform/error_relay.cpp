// One thread, one epoll set: every open pipe and an eventfd that ends the thread.
#include "platform/error_relay.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace ruz {

namespace {

// A line longer than this is written in pieces of this size.
constexpr std::size_t kLongestLine = 4096;

std::string EscapedLine(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (unsigned char c : line) {
    if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the terminal is gone: nothing to report to
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

ErrorLineRelay::ErrorLineRelay(int target)
    : target_(target),
      poll_(::epoll_create1(EPOLL_CLOEXEC)),
      wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = wake_.Get();
  ::epoll_ctl(poll_.Get(), EPOLL_CTL_ADD, wake_.Get(), &event);
  thread_ = std::thread([this] { Run(); });
}

ErrorLineRelay::~ErrorLineRelay() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wake_.Get(), &one, sizeof one);
  thread_.join();
  for (auto &[fd, source] : sources_) {
    if (!source.partial.empty()) WriteLine(source, source.partial);
  }
}

Descriptor ErrorLineRelay::OpenWriter(std::string name) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return Descriptor();
  Descriptor read(fds[0]);
  Descriptor write(fds[1]);
  const int flags = ::fcntl(read.Get(), F_GETFL);
  ::fcntl(read.Get(), F_SETFL, flags | O_NONBLOCK);
  std::lock_guard lock(mutex_);
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = read.Get();
  if (::epoll_ctl(poll_.Get(), EPOLL_CTL_ADD, read.Get(), &event) != 0) return Descriptor();
  const int fd = read.Get();
  sources_.emplace(fd, Source{std::move(read), std::move(name), {}});
  return write;
}

void ErrorLineRelay::Run() {
  epoll_event events[16];
  for (;;) {
    const int n = ::epoll_wait(poll_.Get(), events, 16, -1);
    if (n < 0 && errno != EINTR) return;
    for (int i = 0; i < n; ++i) {
      if (events[i].data.fd == wake_.Get()) return;
      Drain(events[i].data.fd);
    }
  }
}

// Reads what is waiting; at the end of the pipe the last partial line is
// written and the pipe closed.
void ErrorLineRelay::Drain(int fd) {
  std::lock_guard lock(mutex_);
  const auto found = sources_.find(fd);
  if (found == sources_.end()) return;
  Source &source = found->second;
  char chunk[4096];
  ssize_t n;
  while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
    source.partial.append(chunk, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = source.partial.find('\n', start)) != std::string::npos;
         start = end + 1) {
      WriteLine(source, std::string_view(source.partial).substr(start, end - start));
    }
    source.partial.erase(0, start);
    while (source.partial.size() >= kLongestLine) {
      WriteLine(source, std::string_view(source.partial).substr(0, kLongestLine));
      source.partial.erase(0, kLongestLine);
    }
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (!source.partial.empty()) WriteLine(source, source.partial);
  ::epoll_ctl(poll_.Get(), EPOLL_CTL_DEL, fd, nullptr);
  sources_.erase(found);
}

void ErrorLineRelay::WriteLine(const Source &source, std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  WriteAll(target_, EscapedLine(source.name) + ": " + EscapedLine(line) + "\n");
}

}  // namespace ruz
