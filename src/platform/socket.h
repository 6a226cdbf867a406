// TCP sockets over IPv4 and IPv6. Sends never raise SIGPIPE and always complete
// partial writes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

enum class AddressFamily { kIpv4, kIpv6 };

/// An IP address in network byte order; an IPv4 address fills the first four
/// bytes and leaves the rest zero.
struct IpAddress {
  AddressFamily family = AddressFamily::kIpv4;
  std::array<std::uint8_t, 16> bytes{};

  bool operator==(const IpAddress &) const = default;
};

/// A peer: its address and its port in host byte order. An IPv4 client of a
/// listener for both families has its IPv4 address here, never the IPv6 form
/// that maps it.
struct PeerAddress {
  IpAddress address;
  std::uint16_t port = 0;
};

/// IPv4 in dotted decimal, IPv6 in its shortest standard form (RFC 5952); an
/// IPv6 address that maps an IPv4 one (::ffff:a.b.c.d) is shown as a.b.c.d.
std::string FormatIpAddress(const IpAddress &address);

/// address:port, with an IPv6 address in brackets ("[::1]:80").
std::string FormatEndpoint(const IpAddress &address, std::uint16_t port);

/// A literal IPv4 or IPv6 address (an IPv6 one may stand in brackets); false
/// when text is no address.
bool ParseIpAddress(std::string_view text, IpAddress &address);

/// Reverse look-up of an address of either family (name required); false when
/// no name comes back.
bool LookupHostName(const IpAddress &address, std::string &name);

enum class RecvStatus { kOk, kClosed, kTimeout, kError };

struct RecvResult {
  RecvStatus status = RecvStatus::kError;
  std::size_t bytes = 0;  // valid for kOk
};

/// An owned socket descriptor; closed by the destructor. "Not set" is -1.
/// Receives and sends never block in the system call: each tries at once and
/// waits for readiness only when it would block, at most the wait limit set
/// for its direction (none by default), so the limits cost no system call.
class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket();
  Socket(Socket &&other) noexcept;
  Socket &operator=(Socket &&other) noexcept;
  Socket(const Socket &) = delete;
  Socket &operator=(const Socket &) = delete;

  bool IsValid() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  int Release();
  void Close();

  /// Sends all bytes; false when a send failed (the peer went away) or made
  /// no progress within the send wait limit.
  bool SendAll(std::string_view bytes) const;
  bool SendAll(const void *data, std::size_t size) const;
  /// Sends first, then second, gathered into as few system calls as the
  /// socket's room allows (one when both fit).
  bool SendAll(std::string_view first, std::string_view second) const;
  /// Sends count bytes of a file from offset (sendfile); false on failure.
  bool SendFileRange(int fileFd, std::uint64_t offset, std::size_t count) const;
  RecvResult Recv(void *buffer, std::size_t size) const;
  /// Like Recv, but the bytes stay in the socket.
  RecvResult Peek(void *buffer, std::size_t size) const;
  /// The wait limits of Recv, Peek and SendAll in milliseconds (0: none),
  /// kept in this object only.
  void LimitWaits(int receiveMilliseconds, int sendMilliseconds);
  void LimitReceiveWait(int milliseconds) { receiveWaitMs_ = milliseconds; }
  /// Like LimitWaits for one direction, and also set in the system, for code
  /// that reads or writes the descriptor directly with blocking calls (TLS).
  bool SetReceiveTimeout(int milliseconds);
  /// A send that cannot go on for that long fails, so a client that stops
  /// reading cannot hold a connection forever.
  bool SetSendTimeout(int milliseconds);
  /// Whether bytes (or the client's close) wait to be received now, without
  /// waiting and without taking them.
  bool HasInputNow() const;
  /// Bytes given to the system that it has not sent yet (the client's window
  /// is closed or small); 0 when they are all on their way or it cannot tell.
  std::size_t UnsentBytes() const;
  /// A listener hands over a connection only once its client has sent
  /// something, or after seconds.
  bool DeferAcceptUntilData(int seconds) const;
  void ShutdownBoth() const;
  void ShutdownSend() const;
  void ShutdownReceive() const;

 private:
  int fd_ = -1;
  int receiveWaitMs_ = 0;
  int sendWaitMs_ = 0;
};

/// Why a bind failed: the port is taken, the user may not use it (ports below
/// 1024 without the privilege), the address is none of this computer's, the
/// system has no such address family, or another reason.
enum class BindFailure { kNone, kInUse, kNoPermission, kAddressNotLocal, kNoFamily, kOther };

/// A listening socket; bindFailed / listenFailed tell which step failed,
/// bindFailure why the bind did (kNone unless bindFailed). The socket does not
/// block: take its connections with TakeConnection once it is readable.
struct ListenResult {
  Socket socket;
  bool bindFailed = false;
  BindFailure bindFailure = BindFailure::kNone;
  bool listenFailed = false;
  std::uint16_t boundPort = 0;  // the port actually bound (port 0 picks one)
};

/// Listens on every local address: one socket on [::] that takes IPv4 clients
/// too, or 0.0.0.0 when the system has no IPv6.
ListenResult ListenTcp(std::uint16_t port, int backlog);
/// Listens on one local address.
ListenResult ListenTcp(const IpAddress &address, std::uint16_t port, int backlog);

enum class AcceptStatus { kAccepted, kNothingWaiting, kFailed };

struct AcceptResult {
  AcceptStatus status = AcceptStatus::kFailed;
  Socket socket;     // valid for kAccepted
  PeerAddress peer;  // valid for kAccepted
};

/// Takes a connection that waits on a listener, without blocking. kFailed is
/// a failure of the listener or of the system (out of descriptors), not of a
/// client: a connection reset before it was taken counts as nothing waiting.
/// The new socket blocks.
AcceptResult TakeConnection(const Socket &listener);

/// Blocks until a connection arrives; an invalid socket when accept fails.
Socket AcceptConnection(const Socket &listener, PeerAddress &peer);

/// Connects to host:port (forward look-up, the first address of either
/// family); an invalid socket on failure.
Socket ConnectTcp(std::string_view host, std::uint16_t port, int timeoutMilliseconds);

/// Prepares the close of a connection so that a response already sent arrives
/// intact even when the request body was left unread: shuts down the sending
/// side and discards input for at most a short bounded time (until the peer
/// closes). Closing with unread input would otherwise make the system send a
/// reset. The caller closes the socket afterwards.
void DrainBeforeClose(const Socket &socket);

}  // namespace ruz
