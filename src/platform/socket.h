// TCP sockets (IPv4). Sends never raise SIGPIPE and always complete partial writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ruz {

/// An IPv4 peer: address and port in host byte order.
struct PeerAddress {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

/// Dotted decimal text of an address.
std::string FormatIpv4(std::uint32_t address);

/// Reverse look-up of an address (name required); false when no name comes back.
bool LookupHostName(std::uint32_t address, std::string &name);

enum class RecvStatus { kOk, kClosed, kTimeout, kError };

struct RecvResult {
  RecvStatus status = RecvStatus::kError;
  std::size_t bytes = 0;  // valid for kOk
};

/// An owned socket descriptor; closed by the destructor. "Not set" is -1.
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

  /// Sends all bytes; false when a send failed (the peer went away).
  bool SendAll(std::string_view bytes) const;
  bool SendAll(const void *data, std::size_t size) const;
  /// Sends count bytes of a file from offset (sendfile); false on failure.
  bool SendFileRange(int fileFd, std::uint64_t offset, std::size_t count) const;
  RecvResult Recv(void *buffer, std::size_t size) const;
  /// Like Recv, but the bytes stay in the socket.
  RecvResult Peek(void *buffer, std::size_t size) const;
  /// Receive time-out in milliseconds (0: none).
  bool SetReceiveTimeout(int milliseconds) const;
  /// Send time-out in milliseconds (0: none): a send that cannot go on for that
  /// long fails, so a client that stops reading cannot hold a connection forever.
  bool SetSendTimeout(int milliseconds) const;
  void ShutdownBoth() const;
  void ShutdownSend() const;
  void ShutdownReceive() const;

 private:
  int fd_ = -1;
};

/// Why a bind failed: the port is taken, the user may not use it (ports below
/// 1024 without the privilege), or another reason.
enum class BindFailure { kNone, kInUse, kNoPermission, kOther };

/// Listening socket on 0.0.0.0:port; bindFailed / listenFailed tell which step
/// failed, bindFailure why the bind did (kNone unless bindFailed).
struct ListenResult {
  Socket socket;
  bool bindFailed = false;
  BindFailure bindFailure = BindFailure::kNone;
  bool listenFailed = false;
  std::uint16_t boundPort = 0;  // the port actually bound (port 0 picks one)
};
ListenResult ListenTcp(std::uint16_t port, int backlog);

/// Blocks until a connection arrives; an invalid socket when accept fails
/// (also after the listener was shut down).
Socket AcceptConnection(const Socket &listener, PeerAddress &peer);

/// Connects to host:port (forward look-up); an invalid socket on failure.
Socket ConnectTcp(std::string_view host, std::uint16_t port, int timeoutMilliseconds);

/// Prepares the close of a connection so that a response already sent arrives
/// intact even when the request body was left unread: shuts down the sending
/// side and discards input for at most a short bounded time (until the peer
/// closes). Closing with unread input would otherwise make the system send a
/// reset. The caller closes the socket afterwards.
void DrainBeforeClose(const Socket &socket);

}  // namespace ruz
