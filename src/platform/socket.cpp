// TCP sockets over the POSIX socket interface.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
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
    case EADDRNOTAVAIL: return BindFailure::kAddressNotLocal;
    case EAFNOSUPPORT: return BindFailure::kNoFamily;
    default: return BindFailure::kOther;
  }
}

constexpr std::array<std::uint8_t, 12> kMappedIpv4Prefix = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

bool IsMappedIpv4(const IpAddress &address) {
  return address.family == AddressFamily::kIpv6 &&
         std::equal(kMappedIpv4Prefix.begin(), kMappedIpv4Prefix.end(), address.bytes.begin());
}

IpAddress Ipv4From(const std::uint8_t *fourBytes) {
  IpAddress address;
  std::copy_n(fourBytes, 4, address.bytes.begin());
  return address;
}

// The peer of an accepted connection; an IPv4 client of an IPv6 socket comes
// as a mapped address and is kept as the IPv4 address it is.
PeerAddress PeerFromSockaddr(const sockaddr_storage &storage) {
  PeerAddress peer;
  if (storage.ss_family == AF_INET6) {
    const auto &sa6 = reinterpret_cast<const sockaddr_in6 &>(storage);
    peer.address.family = AddressFamily::kIpv6;
    std::memcpy(peer.address.bytes.data(), &sa6.sin6_addr, 16);
    if (IsMappedIpv4(peer.address)) peer.address = Ipv4From(peer.address.bytes.data() + 12);
    peer.port = ntohs(sa6.sin6_port);
  } else {
    const auto &sa4 = reinterpret_cast<const sockaddr_in &>(storage);
    peer.address = Ipv4From(reinterpret_cast<const std::uint8_t *>(&sa4.sin_addr));
    peer.port = ntohs(sa4.sin_port);
  }
  return peer;
}

// The socket address of address:port and its length.
socklen_t ToSockaddr(const IpAddress &address, std::uint16_t port, sockaddr_storage &storage) {
  storage = {};
  if (address.family == AddressFamily::kIpv6) {
    auto &sa6 = reinterpret_cast<sockaddr_in6 &>(storage);
    sa6.sin6_family = AF_INET6;
    sa6.sin6_port = htons(port);
    std::memcpy(&sa6.sin6_addr, address.bytes.data(), 16);
    return sizeof sa6;
  }
  auto &sa4 = reinterpret_cast<sockaddr_in &>(storage);
  sa4.sin_family = AF_INET;
  sa4.sin_port = htons(port);
  std::memcpy(&sa4.sin_addr, address.bytes.data(), 4);
  return sizeof sa4;
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

// A wait limit of 0 means none.
int PollLimit(int waitMs) { return waitMs > 0 ? waitMs : -1; }

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK; }

// The request is usually there already: the receive is tried first, and the
// wait for input happens only when it would block.
RecvResult ReceiveWithin(int fd, void *buffer, std::size_t size, int flags, int waitMs) {
  for (;;) {
    RecvResult r = ReceiveWithFlags(fd, buffer, size, flags | MSG_DONTWAIT);
    if (r.status != RecvStatus::kTimeout) return r;
    if (!WaitForEvent(fd, POLLIN, PollLimit(waitMs))) return r;
  }
}

// Sends the vectors' bytes in order; iov is advanced past what went out.
bool SendVectors(int fd, iovec *iov, int count, int waitMs) {
  for (;;) {
    while (count > 0 && iov->iov_len == 0) {
      ++iov;
      --count;
    }
    if (count == 0) return true;
    msghdr message{};
    message.msg_iov = iov;
    message.msg_iovlen = static_cast<std::size_t>(count);
    ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (!WouldBlock() || !WaitForEvent(fd, POLLOUT, PollLimit(waitMs))) return false;
      continue;
    }
    if (n == 0) return false;
    auto left = static_cast<std::size_t>(n);
    while (count > 0 && left > 0 && left >= iov->iov_len) {
      left -= iov->iov_len;
      ++iov;
      --count;
    }
    if (count == 0) return true;
    iov->iov_base = static_cast<char *>(iov->iov_base) + left;
    iov->iov_len -= left;
  }
}

}  // namespace

std::string FormatIpAddress(const IpAddress &address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.family == AddressFamily::kIpv4 || IsMappedIpv4(address)) {
    const std::size_t start = address.family == AddressFamily::kIpv4 ? 0 : 12;
    ::inet_ntop(AF_INET, address.bytes.data() + start, text, sizeof text);
  } else {
    ::inet_ntop(AF_INET6, address.bytes.data(), text, sizeof text);
  }
  return text;
}

std::string FormatEndpoint(const IpAddress &address, std::uint16_t port) {
  const std::string text = FormatIpAddress(address);
  const bool bracketed = text.find(':') != std::string::npos;
  return (bracketed ? "[" + text + "]" : text) + ":" + std::to_string(port);
}

bool ParseIpAddress(std::string_view text, IpAddress &address) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
  }
  const std::string zeroEnded(text);
  IpAddress parsed;
  if (::inet_pton(AF_INET, zeroEnded.c_str(), parsed.bytes.data()) == 1) {
    address = parsed;
    return true;
  }
  parsed.family = AddressFamily::kIpv6;
  if (::inet_pton(AF_INET6, zeroEnded.c_str(), parsed.bytes.data()) != 1) return false;
  address = parsed;
  return true;
}

bool LookupHostName(const IpAddress &address, std::string &name) {
  sockaddr_storage storage;
  const socklen_t length = ToSockaddr(address, 0, storage);
  char host[NI_MAXHOST] = {};
  int r = ::getnameinfo(reinterpret_cast<sockaddr *>(&storage), length, host, sizeof host, nullptr,
                        0, NI_NAMEREQD);
  if (r != 0 || host[0] == '\0') return false;
  name = host;
  return true;
}

Socket::~Socket() { Close(); }

Socket::Socket(Socket &&other) noexcept
    : fd_(other.Release()), receiveWaitMs_(other.receiveWaitMs_), sendWaitMs_(other.sendWaitMs_) {}

Socket &Socket::operator=(Socket &&other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
    receiveWaitMs_ = other.receiveWaitMs_;
    sendWaitMs_ = other.sendWaitMs_;
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
  iovec part{const_cast<void *>(data), size};
  return SendVectors(fd_, &part, 1, sendWaitMs_);
}

bool Socket::SendAll(std::string_view first, std::string_view second) const {
  iovec parts[2] = {{const_cast<char *>(first.data()), first.size()},
                    {const_cast<char *>(second.data()), second.size()}};
  return SendVectors(fd_, parts, 2, sendWaitMs_);
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
  return ReceiveWithin(fd_, buffer, size, 0, receiveWaitMs_);
}

RecvResult Socket::Peek(void *buffer, std::size_t size) const {
  return ReceiveWithin(fd_, buffer, size, MSG_PEEK, receiveWaitMs_);
}

void Socket::LimitWaits(int receiveMilliseconds, int sendMilliseconds) {
  receiveWaitMs_ = receiveMilliseconds;
  sendWaitMs_ = sendMilliseconds;
}

bool Socket::SetReceiveTimeout(int milliseconds) {
  receiveWaitMs_ = milliseconds;
  return SetTimeoutOption(fd_, SO_RCVTIMEO, milliseconds);
}

bool Socket::SetSendTimeout(int milliseconds) {
  sendWaitMs_ = milliseconds;
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

namespace {

// A socket bound to address:port and listening. anyFamily: an IPv6 socket
// that takes IPv4 clients too (whatever the system's default says).
ListenResult ListenOn(const IpAddress &address, std::uint16_t port, int backlog, bool anyFamily) {
  ListenResult result;
  const int family = address.family == AddressFamily::kIpv6 ? AF_INET6 : AF_INET;
  result.socket = Socket(::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!result.socket.IsValid()) {
    result.bindFailed = true;
    result.bindFailure = BindFailureFromErrno(errno);
    return result;
  }
  const int fd = result.socket.Descriptor();
  // A restart binds the same port while the connections it just closed are in
  // TIME_WAIT; Windows allows that bind, Linux only with SO_REUSEADDR. A port
  // another program listens on is still refused.
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // Only the socket for every address serves both families; one bound to an
  // IPv6 address must not also claim the IPv4 port.
  int v6only = anyFamily ? 0 : 1;
  if (family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &v6only, sizeof v6only);
  sockaddr_storage storage;
  const socklen_t length = ToSockaddr(address, port, storage);
  if (::bind(fd, reinterpret_cast<sockaddr *>(&storage), length) != 0) {
    result.bindFailed = true;
    result.bindFailure = BindFailureFromErrno(errno);
    result.socket.Close();
    return result;
  }
  if (::listen(fd, backlog) != 0) {
    result.listenFailed = true;
    result.socket.Close();
    return result;
  }
  socklen_t bound = sizeof storage;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &bound);
  result.boundPort = PeerFromSockaddr(storage).port;
  return result;
}

}  // namespace

ListenResult ListenTcp(std::uint16_t port, int backlog) {
  IpAddress everyIpv6;
  everyIpv6.family = AddressFamily::kIpv6;
  ListenResult result = ListenOn(everyIpv6, port, backlog, true);
  if (result.bindFailure != BindFailure::kNoFamily) return result;
  return ListenOn(IpAddress{}, port, backlog, false);  // 0.0.0.0
}

ListenResult ListenTcp(const IpAddress &address, std::uint16_t port, int backlog) {
  return ListenOn(address, port, backlog, false);
}

AcceptResult TakeConnection(const Socket &listener) {
  AcceptResult result;
  for (;;) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    int fd = ::accept4(listener.Descriptor(), reinterpret_cast<sockaddr *>(&storage), &length,
                       SOCK_CLOEXEC);
    if (fd >= 0) {
      result.status = AcceptStatus::kAccepted;
      result.socket = Socket(fd);
      result.peer = PeerFromSockaddr(storage);
      return result;
    }
    if (errno == EINTR) continue;
    // A connection reset before it was taken is no failure of the listener.
    const bool nothing = errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED;
    result.status = nothing ? AcceptStatus::kNothingWaiting : AcceptStatus::kFailed;
    return result;
  }
}

Socket AcceptConnection(const Socket &listener, PeerAddress &peer) {
  for (;;) {
    AcceptResult taken = TakeConnection(listener);
    if (taken.status == AcceptStatus::kAccepted) {
      peer = taken.peer;
      return std::move(taken.socket);
    }
    if (taken.status == AcceptStatus::kFailed) return Socket();
    if (!WaitForEvent(listener.Descriptor(), POLLIN, -1)) return Socket();
  }
}

bool Socket::HasInputNow() const {
  char byte = 0;
  const ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

std::size_t Socket::UnsentBytes() const {
  int unsent = 0;
  if (::ioctl(fd_, SIOCOUTQNSD, &unsent) != 0 || unsent < 0) return 0;
  return static_cast<std::size_t>(unsent);
}

bool Socket::DeferAcceptUntilData(int seconds) const {
  return ::setsockopt(fd_, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds) == 0;
}

Socket ConnectTcp(std::string_view host, std::uint16_t port, int timeoutMilliseconds) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  std::string service = std::to_string(port);
  if (::getaddrinfo(std::string(host).c_str(), service.c_str(), &hints, &found) != 0) {
    return Socket();
  }
  Socket s(::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
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
