// TCP sockets over the POSIX socket interface.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>

namespace ruz {

namespace {

BindFailure BindFailureFromErrno(int error) {
  switch (error) {
    case EADDRINUSE: return BindFailure::kInUse;
    case EACCES:
    case EPERM: return BindFailure::kNoPermission;
    default: return BindFailure::kOther;
  }
}

bool SetTimeoutOption(int fd, int option, int milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  timeval tv{};
  tv.tv_sec = milliseconds / 1000;
  tv.tv_usec = (milliseconds % 1000) * 1000;
  return ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

constexpr int kLingerMilliseconds = 2000;

RecvResult ReceiveWithFlags(int fd, void *buffer, std::size_t size, int flags) {
  for (;;) {
    ssize_t n = ::recv(fd, buffer, size, flags);
    if (n > 0) return {RecvStatus::kOk, static_cast<std::size_t>(n)};
    if (n == 0) return {RecvStatus::kClosed, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {RecvStatus::kTimeout, 0};
    return {RecvStatus::kError, 0};
  }
}

// Milliseconds left until deadline, at least 0.
int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool WaitForEvent(int fd, short events, int milliseconds) {
  pollfd p{fd, events, 0};
  for (;;) {
    int r = ::poll(&p, 1, milliseconds);
    if (r > 0) return true;
    if (r == 0 || errno != EINTR) return false;
  }
}

}  // namespace

std::string FormatIpv4(std::uint32_t address) {
  in_addr a{};
  a.s_addr = htonl(address);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

bool LookupHostName(std::uint32_t address, std::string &name) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(address);
  char host[NI_MAXHOST] = {};
  int r = ::getnameinfo(reinterpret_cast<sockaddr *>(&sa), sizeof sa, host, sizeof host, nullptr,
                        0, NI_NAMEREQD);
  if (r != 0 || host[0] == '\0') return false;
  name = host;
  return true;
}

Socket::~Socket() { Close(); }

Socket::Socket(Socket &&other) noexcept : fd_(other.Release()) {}

Socket &Socket::operator=(Socket &&other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

int Socket::Release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

void Socket::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool Socket::SendAll(std::string_view bytes) const { return SendAll(bytes.data(), bytes.size()); }

bool Socket::SendAll(const void *data, std::size_t size) const {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Socket::SendFileRange(int fileFd, std::uint64_t offset, std::size_t count) const {
  // sendfile has no MSG_NOSIGNAL: a peer that left must not end the process.
  static std::once_flag ignorePipeSignal;
  std::call_once(ignorePipeSignal, [] { ::signal(SIGPIPE, SIG_IGN); });
  off_t position = static_cast<off_t>(offset);
  while (count > 0) {
    ssize_t n = ::sendfile(fd_, fileFd, &position, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

RecvResult Socket::Recv(void *buffer, std::size_t size) const {
  return ReceiveWithFlags(fd_, buffer, size, 0);
}

RecvResult Socket::Peek(void *buffer, std::size_t size) const {
  return ReceiveWithFlags(fd_, buffer, size, MSG_PEEK);
}

bool Socket::SetReceiveTimeout(int milliseconds) const {
  return SetTimeoutOption(fd_, SO_RCVTIMEO, milliseconds);
}

bool Socket::SetSendTimeout(int milliseconds) const {
  return SetTimeoutOption(fd_, SO_SNDTIMEO, milliseconds);
}

void Socket::ShutdownBoth() const {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void Socket::ShutdownSend() const {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void Socket::ShutdownReceive() const {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RD);
}

ListenResult ListenTcp(std::uint16_t port, int backlog) {
  ListenResult result;
  result.socket = Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_ANY);
  sa.sin_port = htons(port);
  // A restart binds the same port while the connections it just closed are in
  // TIME_WAIT; Windows allows that bind, Linux only with SO_REUSEADDR. A port
  // another program listens on is still refused.
  int reuse = 1;
  if (result.socket.IsValid())
    ::setsockopt(result.socket.Descriptor(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  if (!result.socket.IsValid() ||
      ::bind(result.socket.Descriptor(), reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
    result.bindFailed = true;
    result.bindFailure = BindFailureFromErrno(errno);
    result.socket.Close();
    return result;
  }
  if (::listen(result.socket.Descriptor(), backlog) != 0) {
    result.listenFailed = true;
    result.socket.Close();
    return result;
  }
  socklen_t len = sizeof sa;
  ::getsockname(result.socket.Descriptor(), reinterpret_cast<sockaddr *>(&sa), &len);
  result.boundPort = ntohs(sa.sin_port);
  return result;
}

Socket AcceptConnection(const Socket &listener, PeerAddress &peer) {
  sockaddr_in sa{};
  for (;;) {
    socklen_t len = sizeof sa;
    int fd = ::accept4(listener.Descriptor(), reinterpret_cast<sockaddr *>(&sa), &len,
                       SOCK_CLOEXEC);
    if (fd >= 0) {
      peer.address = ntohl(sa.sin_addr.s_addr);
      peer.port = ntohs(sa.sin_port);
      return Socket(fd);
    }
    // A connection reset before it was taken, or an interrupted call, is no
    // reason to stop accepting.
    if (errno != EINTR && errno != ECONNABORTED) return Socket();
  }
}

Socket ConnectTcp(std::string_view host, std::uint16_t port, int timeoutMilliseconds) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  std::string service = std::to_string(port);
  if (::getaddrinfo(std::string(host).c_str(), service.c_str(), &hints, &found) != 0) {
    return Socket();
  }
  Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  bool connected = false;
  if (s.IsValid()) {
    int r = ::connect(s.Descriptor(), found->ai_addr, found->ai_addrlen);
    if (r == 0) {
      connected = true;
    } else if (errno == EINPROGRESS && WaitForEvent(s.Descriptor(), POLLOUT, timeoutMilliseconds)) {
      int error = 0;
      socklen_t len = sizeof error;
      ::getsockopt(s.Descriptor(), SOL_SOCKET, SO_ERROR, &error, &len);
      connected = error == 0;
    }
  }
  ::freeaddrinfo(found);
  if (!connected) return Socket();
  int flags = ::fcntl(s.Descriptor(), F_GETFL);
  ::fcntl(s.Descriptor(), F_SETFL, flags & ~O_NONBLOCK);
  return s;
}

void DrainBeforeClose(const Socket &socket) {
  if (!socket.IsValid()) return;
  socket.ShutdownSend();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLingerMilliseconds);
  char discard[4096];
  for (;;) {
    int left = MillisecondsLeft(deadline);
    if (left == 0 || !WaitForEvent(socket.Descriptor(), POLLIN, left)) break;
    ssize_t n = ::recv(socket.Descriptor(), discard, sizeof discard, MSG_DONTWAIT);
    if (n == 0) break;
    if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) break;
  }
}

}  // namespace ruz
