// TLS for accepted connections: the server's certificate context, shared by
// every connection thread, and one session per connection over its socket.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/socket.h"

// OpenSSL's own types, so that this header does not pull in OpenSSL's.
struct ssl_ctx_st;
struct ssl_st;

namespace ruz {

/// The whole answer to a plain-HTTP request that arrives on the TLS port; the
/// connection is closed after it.
inline constexpr std::string_view kPlainHttpOnTlsPortResponse =
    "HTTP/1.1 400 Bad Request\r\n"
    "Content-Type: text/plain\r\n"
    "Content-Length: 25\r\n"
    "Connection: close\r\n"
    "\r\n"
    "This port speaks HTTPS.\r\n";

/// True when the first bytes of a connection open a TLS handshake record, as a
/// client hello does; false for anything else (a plain-HTTP request line, or
/// nothing yet). One byte is enough to tell.
bool LooksLikeTlsClientHello(std::string_view firstBytes);

/// Why a certificate and key could not be loaded.
enum class TlsContextFailure {
  kNone,
  kCertificateUnreadable,  // missing, unreadable or not a PEM certificate
  kKeyUnreadable,          // missing, unreadable or not a PEM private key
  kKeyMismatch,            // the key does not belong to the certificate
  kLibrary,                // the TLS library could not set up a context
};

/// A server's certificate, key and protocol settings: TLS 1.2 to 1.3, the
/// library's default ciphers, ALPN "http/1.1". Not changed after loading, so
/// any number of threads may start sessions from it at once.
class TlsContext {
 public:
  explicit TlsContext(ssl_ctx_st *context) : context_(context) {}
  ~TlsContext();
  TlsContext(const TlsContext &) = delete;
  TlsContext &operator=(const TlsContext &) = delete;

  ssl_ctx_st *Get() const { return context_; }

 private:
  ssl_ctx_st *context_ = nullptr;
};

/// context is set when failure is kNone; otherwise error is a CP932 text that
/// names the file at fault and says what is wrong with it.
struct TlsContextResult {
  std::unique_ptr<TlsContext> context;
  TlsContextFailure failure = TlsContextFailure::kNone;
  std::string error;
};

/// Loads a PEM certificate (chain) and its PEM private key (CP932 paths) and
/// checks that they belong together.
TlsContextResult LoadTlsServerContext(std::string_view certificatePath, std::string_view keyPath);

/// Frees what the TLS library keeps for the calling thread (its random
/// generators, its error queue). A thread that used TLS calls it before it
/// reports itself finished: the library would otherwise free them only after
/// the thread function returned, possibly after the process began to exit.
void ReleaseThreadTlsState();

enum class HandshakeResult {
  kDone,     // the session is ready for Recv, Peek and SendAll
  kTimeout,  // the client did not complete the handshake in time
  kClosed,   // the client closed or reset the connection during the handshake
  kFailed,   // the client spoke something else, or nothing both sides accept
};

/// The server side of one TLS connection over a connected socket it does not
/// own: the socket must stay open as long as the session, and is closed by its
/// owner after the session ends. Receives and sends follow the socket's receive
/// and send time-outs (Socket::SetReceiveTimeout, SetSendTimeout): a receive
/// that waits longer gives kTimeout. Sends never raise SIGPIPE. Used by one
/// thread at a time. "Not set" is a session without an SSL object (IsValid false).
class TlsSession {
 public:
  TlsSession() = default;
  /// Not valid when the library could not make the session (out of memory).
  TlsSession(const TlsContext &context, int socketFd);
  ~TlsSession();
  TlsSession(TlsSession &&other) noexcept;
  TlsSession &operator=(TlsSession &&other) noexcept;
  TlsSession(const TlsSession &) = delete;
  TlsSession &operator=(const TlsSession &) = delete;

  bool IsValid() const { return ssl_ != nullptr; }

  /// Runs the server's side of the handshake, for at most timeoutMilliseconds
  /// in all however the client trickles its bytes (0 or less: no limit).
  HandshakeResult Accept(int timeoutMilliseconds);

  /// Decrypted bytes; kClosed when the client closed (with or without telling).
  RecvResult Recv(void *buffer, std::size_t size);
  /// Like Recv, but the bytes stay for the next Peek or Recv.
  RecvResult Peek(void *buffer, std::size_t size);
  /// Encrypts and sends all bytes; false when the client went away or stopped
  /// reading for longer than the send time-out.
  bool SendAll(const void *data, std::size_t size);
  bool SendAll(std::string_view bytes) { return SendAll(bytes.data(), bytes.size()); }

  /// True when received bytes wait inside the session: a poll on the socket
  /// alone would miss them, so check this before waiting for the socket.
  bool HasBufferedInput() const;

  /// Tells the client the session ends (close_notify), without waiting for the
  /// client's answer and without blocking. Best effort: skipped after a
  /// failure. The caller closes the socket afterwards.
  void Shutdown();

 private:
  enum class ReadMode { kTake, kPeek };
  RecvResult Read(void *buffer, std::size_t size, ReadMode mode);

  ssl_st *ssl_ = nullptr;
  int fd_ = -1;
  bool established_ = false;  // the handshake completed
  bool broken_ = false;       // a fatal error happened: nothing more may be sent
};

}  // namespace ruz
