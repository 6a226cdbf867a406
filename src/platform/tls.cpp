// TLS sessions with OpenSSL over the connection's own socket descriptor.
#include "platform/tls.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <utility>

#include "platform/files.h"
#include "platform/openssl_handles.h"
#include "platform/text_codes.h"
#include "platform/tls_socket_bio.h"

namespace ruz {
namespace {

// The first byte of a TLS record that carries handshake messages.
constexpr unsigned char kHandshakeRecordType = 0x16;

// No certificate or key file is anywhere near this large.
constexpr std::uint64_t kMaxPemFileBytes = 1 << 20;

// The one application protocol offered, in ALPN's length-prefixed form.
constexpr unsigned char kAlpnHttp11[] = {8, 'h', 't', 't', 'p', '/', '1', '.', '1'};

int SelectHttp11(SSL *, const unsigned char **out, unsigned char *outLength,
                 const unsigned char *offered, unsigned int offeredLength, void *) {
  unsigned char *selected = nullptr;
  if (SSL_select_next_proto(&selected, outLength, kAlpnHttp11, sizeof kAlpnHttp11, offered,
                            offeredLength) != OPENSSL_NPN_NEGOTIATED) {
    // A client offering only other protocols still gets HTTP/1.1, unannounced.
    return SSL_TLSEXT_ERR_NOACK;
  }
  *out = selected;
  return SSL_TLSEXT_ERR_OK;
}

std::string FileMessage(std::string_view utf8Text, std::string_view cp932Path) {
  return Utf8ToCp932(std::string(utf8Text) + "（") + std::string(cp932Path) + Utf8ToCp932("）");
}

TlsContextResult Failure(TlsContextFailure failure, std::string error) {
  TlsContextResult result;
  result.failure = failure;
  result.error = std::move(error);
  return result;
}

// The certificate and any chain certificates after it; false when the text
// holds no certificate.
bool UseCertificateChain(SSL_CTX *context, std::string_view pem) {
  BioPtr bio = MemoryBio(pem);
  X509Ptr leaf(PEM_read_bio_X509_AUX(bio.get(), nullptr, nullptr, nullptr));
  if (!leaf || SSL_CTX_use_certificate(context, leaf.get()) != 1) return false;
  while (X509 *chained = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    if (SSL_CTX_add0_chain_cert(context, chained) != 1) {
      X509_free(chained);
      return false;
    }
  }
  ERR_clear_error();  // the end of the text ends the loop with an error
  return true;
}

PrivateKeyPtr ReadPrivateKey(std::string_view pem) {
  BioPtr bio = MemoryBio(pem);
  return PrivateKeyPtr(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

// TLS 1.2 offers authenticated encryption only (no CBC suites, whose padding
// checks leak timing), forward secret, in the server's order; TLS 1.3 keeps
// the library's suites.
constexpr const char *kTls12Ciphers =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

constexpr long kSessionCacheSize = 4096;
constexpr long kSessionLifetimeSeconds = 2 * 60 * 60;

SslContextPtr NewServerContext() {
  SslContextPtr context(SSL_CTX_new(TLS_server_method()));
  if (!context) return context;
  SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
  SSL_CTX_set_max_proto_version(context.get(), TLS1_3_VERSION);
  // A client may not make the server redo the expensive part of a handshake.
  SSL_CTX_set_options(context.get(), SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
  if (SSL_CTX_set_cipher_list(context.get(), kTls12Ciphers) != 1) return SslContextPtr();
  SSL_CTX_set_alpn_select_cb(context.get(), SelectHttp11, nullptr);
  // A connection waiting for its next request holds no record buffers.
  SSL_CTX_set_mode(context.get(), SSL_MODE_RELEASE_BUFFERS);
  // A returning client resumes its session instead of a full handshake: by a
  // ticket (TLS 1.3, and 1.2 clients that ask) or by its session ID from the
  // server's cache. The ticket keys are made anew at each start.
  static constexpr unsigned char kSessionContext[] = "ruz";
  SSL_CTX_set_session_id_context(context.get(), kSessionContext, sizeof kSessionContext - 1);
  SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_SERVER);
  SSL_CTX_sess_set_cache_size(context.get(), kSessionCacheSize);
  SSL_CTX_set_timeout(context.get(), kSessionLifetimeSeconds);
  return context;
}

bool ReadPem(std::string_view path, std::string &pem) {
  return ReadWholeFile(path, pem, kMaxPemFileBytes) && pem.size() < kMaxPemFileBytes;
}

// A client that closed without a close_notify shows as this library error.
bool IsUnexpectedEnd() {
  return ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

// Puts a socket into non-blocking mode for as long as it lives.
class NonBlockingScope {
 public:
  explicit NonBlockingScope(int fd) : fd_(fd), flags_(::fcntl(fd, F_GETFL)) {
    if (flags_ >= 0) ::fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
  }
  ~NonBlockingScope() {
    if (flags_ >= 0) ::fcntl(fd_, F_SETFL, flags_);
  }
  NonBlockingScope(const NonBlockingScope &) = delete;
  NonBlockingScope &operator=(const NonBlockingScope &) = delete;

 private:
  int fd_;
  int flags_;
};

using Clock = std::chrono::steady_clock;

// Waits for the socket to become ready for events until deadline (none when
// unbounded); false when the time ran out first.
bool WaitUntil(int fd, short events, Clock::time_point deadline, bool unbounded) {
  for (;;) {
    int wait = -1;
    if (!unbounded) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      wait = static_cast<int>(left);
    }
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, wait);
    if (r > 0) return true;  // readiness or an error: the next attempt tells which
    if (r < 0 && errno != EINTR) return false;
  }
}

}  // namespace

bool LooksLikeTlsClientHello(std::string_view firstBytes) {
  return !firstBytes.empty() && static_cast<unsigned char>(firstBytes[0]) == kHandshakeRecordType;
}

TlsContext::~TlsContext() { SSL_CTX_free(context_); }

TlsContextResult LoadTlsServerContext(std::string_view certificatePath, std::string_view keyPath) {
  std::string certificatePem;
  if (!ReadPem(certificatePath, certificatePem))
    return Failure(TlsContextFailure::kCertificateUnreadable,
                   FileMessage("証明書ファイルを読めません", certificatePath));
  std::string keyPem;
  if (!ReadPem(keyPath, keyPem))
    return Failure(TlsContextFailure::kKeyUnreadable, FileMessage("秘密鍵ファイルを読めません", keyPath));
  SslContextPtr context = NewServerContext();
  if (!context) return Failure(TlsContextFailure::kLibrary, Utf8ToCp932("TLS を準備できません"));
  if (!UseCertificateChain(context.get(), certificatePem))
    return Failure(TlsContextFailure::kCertificateUnreadable,
                   FileMessage("証明書ファイルに PEM 形式の証明書がありません", certificatePath));
  PrivateKeyPtr key = ReadPrivateKey(keyPem);
  if (!key)
    return Failure(TlsContextFailure::kKeyUnreadable,
                   FileMessage("秘密鍵ファイルに PEM 形式の秘密鍵がありません", keyPath));
  // A key of the certificate's kind but not its own is refused here; a key of
  // another kind is caught by the check after it.
  if (SSL_CTX_use_PrivateKey(context.get(), key.get()) != 1 ||
      SSL_CTX_check_private_key(context.get()) != 1) {
    ERR_clear_error();
    return Failure(TlsContextFailure::kKeyMismatch,
                   FileMessage("秘密鍵が証明書と対になっていません", keyPath) +
                       FileMessage("。証明書", certificatePath));
  }
  TlsContextResult result;
  result.context = std::make_unique<TlsContext>(context.release());
  return result;
}

void ReleaseThreadTlsState() { OPENSSL_thread_stop(); }

TlsSession::TlsSession(const TlsContext &context, int socketFd) : fd_(socketFd) {
  ssl_ = SSL_new(context.Get());
  BIO *bio = NewSocketBio(socketFd);
  if (ssl_ == nullptr || bio == nullptr) {
    BIO_free(bio);
    SSL_free(ssl_);
    ssl_ = nullptr;
    return;
  }
  SSL_set_bio(ssl_, bio, bio);
  SSL_set_accept_state(ssl_);
}

TlsSession::~TlsSession() { SSL_free(ssl_); }

TlsSession::TlsSession(TlsSession &&other) noexcept
    : ssl_(std::exchange(other.ssl_, nullptr)),
      fd_(std::exchange(other.fd_, -1)),
      established_(std::exchange(other.established_, false)),
      broken_(std::exchange(other.broken_, false)) {}

TlsSession &TlsSession::operator=(TlsSession &&other) noexcept {
  if (this != &other) {
    SSL_free(ssl_);
    ssl_ = std::exchange(other.ssl_, nullptr);
    fd_ = std::exchange(other.fd_, -1);
    established_ = std::exchange(other.established_, false);
    broken_ = std::exchange(other.broken_, false);
  }
  return *this;
}

HandshakeResult TlsSession::Accept(int timeoutMilliseconds) {
  if (ssl_ == nullptr) return HandshakeResult::kFailed;
  const bool unbounded = timeoutMilliseconds <= 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  // Without blocking, a client that trickles its bytes cannot stretch the time.
  NonBlockingScope nonBlocking(fd_);
  for (;;) {
    ERR_clear_error();
    const int r = SSL_do_handshake(ssl_);
    if (r == 1) {
      established_ = true;
      return HandshakeResult::kDone;
    }
    const int error = SSL_get_error(ssl_, r);
    const short events = error == SSL_ERROR_WANT_READ    ? POLLIN
                         : error == SSL_ERROR_WANT_WRITE ? POLLOUT
                                                         : 0;
    if (events == 0) {
      broken_ = true;
      const bool closed = error == SSL_ERROR_SYSCALL || error == SSL_ERROR_ZERO_RETURN ||
                          IsUnexpectedEnd();
      ERR_clear_error();
      return closed ? HandshakeResult::kClosed : HandshakeResult::kFailed;
    }
    if (!WaitUntil(fd_, events, deadline, unbounded)) {
      broken_ = true;
      return HandshakeResult::kTimeout;
    }
  }
}

RecvResult TlsSession::Read(void *buffer, std::size_t size, ReadMode mode) {
  if (ssl_ == nullptr || broken_) return {RecvStatus::kError, 0};
  if (size == 0) return {RecvStatus::kOk, 0};
  ERR_clear_error();
  std::size_t got = 0;
  const int r = mode == ReadMode::kPeek ? SSL_peek_ex(ssl_, buffer, size, &got)
                                        : SSL_read_ex(ssl_, buffer, size, &got);
  if (r == 1) return {RecvStatus::kOk, got};
  const int error = SSL_get_error(ssl_, r);
  // The socket's receive time-out ran out (or, on a non-blocking socket,
  // nothing has arrived yet): the session can go on.
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return {RecvStatus::kTimeout, 0};
  if (error == SSL_ERROR_ZERO_RETURN) return {RecvStatus::kClosed, 0};
  broken_ = true;
  const bool unexpectedEnd = error == SSL_ERROR_SSL && IsUnexpectedEnd();
  ERR_clear_error();
  return {unexpectedEnd ? RecvStatus::kClosed : RecvStatus::kError, 0};
}

RecvResult TlsSession::Recv(void *buffer, std::size_t size) { return Read(buffer, size, ReadMode::kTake); }

RecvResult TlsSession::Peek(void *buffer, std::size_t size) { return Read(buffer, size, ReadMode::kPeek); }

bool TlsSession::SendAll(const void *data, std::size_t size) {
  if (ssl_ == nullptr || broken_) return false;
  if (size == 0) return true;
  ERR_clear_error();
  std::size_t written = 0;
  // Partial writes are off: on a blocking socket the call sends every byte or fails.
  if (SSL_write_ex(ssl_, data, size, &written) == 1) return true;
  // A write that stopped part-way can only be resumed with the same bytes;
  // the connection is given up instead.
  broken_ = true;
  ERR_clear_error();
  return false;
}

bool TlsSession::HasBufferedInput() const {
  return ssl_ != nullptr && (SSL_pending(ssl_) > 0 || SSL_has_pending(ssl_) == 1);
}

void TlsSession::Shutdown() {
  if (ssl_ == nullptr || !established_ || broken_) return;
  NonBlockingScope nonBlocking(fd_);
  ERR_clear_error();
  SSL_shutdown(ssl_);
  ERR_clear_error();
}

}  // namespace ruz
