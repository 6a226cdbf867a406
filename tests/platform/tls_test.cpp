// TLS sessions against a real client over a socket pair: handshake, ALPN,
// refused versions, time-outs, buffered input and loading certificate files.
#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

#include <chrono>
#include <csignal>
#include <future>
#include <string>

#include "platform/certificate.h"
#include "platform/socket.h"
#include "platform/tls.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHandshakeMs = 5000;  // an upper bound only: working handshakes take milliseconds

// The client side: trusts only the given certificate and checks that it names localhost.
class TestClient {
 public:
  TestClient(const std::string &trustedPem, int fd, int maxVersion = TLS1_3_VERSION)
      : context_(SSL_CTX_new(TLS_client_method())) {
    BIO *bio = BIO_new_mem_buf(trustedPem.data(), static_cast<int>(trustedPem.size()));
    X509 *trusted = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    X509_STORE_add_cert(SSL_CTX_get_cert_store(context_), trusted);
    X509_free(trusted);
    BIO_free(bio);
    SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
    // The oldest versions need the lowest security level to be offered at all.
    SSL_CTX_set_security_level(context_, 0);
    SSL_CTX_set_cipher_list(context_, "DEFAULT:@SECLEVEL=0");
    SSL_CTX_set_min_proto_version(context_, TLS1_VERSION);
    SSL_CTX_set_max_proto_version(context_, maxVersion);
    ssl_ = SSL_new(context_);
    SSL_set_fd(ssl_, fd);
    SSL_set1_host(ssl_, "localhost");
    static const unsigned char kProtocols[] = {2, 'h', '2', 8, 'h', 't', 't', 'p', '/', '1', '.', '1'};
    SSL_set_alpn_protos(ssl_, kProtocols, sizeof kProtocols);
  }
  ~TestClient() {
    SSL_free(ssl_);
    SSL_CTX_free(context_);
  }

  bool Connect() { return SSL_connect(ssl_) == 1; }
  std::string Alpn() const {
    const unsigned char *name = nullptr;
    unsigned int length = 0;
    SSL_get0_alpn_selected(ssl_, &name, &length);
    return std::string(reinterpret_cast<const char *>(name), length);
  }
  void Send(std::string_view text) { SSL_write(ssl_, text.data(), static_cast<int>(text.size())); }
  std::string Receive() {
    char buffer[256];
    int n = SSL_read(ssl_, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  bool SawCloseNotify() { return Receive().empty() && SSL_get_error(ssl_, 0) == SSL_ERROR_ZERO_RETURN; }

 private:
  SSL_CTX *context_;
  SSL *ssl_;
};

class TlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    made_ = new MadeCertificate(MakeSelfSignedCertificate("test-host", {"192.0.2.7"}));
    dir_ = new TempDir;
    ASSERT_EQ(WriteCertificateFiles(dir_->File("cert.pem"), dir_->File("key.pem"), made_->pem), "");
    TlsContextResult loaded = LoadTlsServerContext(dir_->File("cert.pem"), dir_->File("key.pem"));
    ASSERT_EQ(loaded.failure, TlsContextFailure::kNone) << loaded.error;
    context_ = loaded.context.release();
  }
  static void TearDownTestSuite() {
    delete context_;
    delete dir_;
    delete made_;
  }
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    server_ = Socket(fds[0]);
    client_ = Socket(fds[1]);
    client_.SetReceiveTimeout(kHandshakeMs);  // a failing server cannot hang the test
    session_ = TlsSession(*context_, server_.Descriptor());
    ASSERT_TRUE(session_.IsValid());
  }
  std::future<HandshakeResult> AcceptInBackground(int timeoutMs = kHandshakeMs) {
    return std::async(std::launch::async, [this, timeoutMs] { return session_.Accept(timeoutMs); });
  }

  static MadeCertificate *made_;
  static TempDir *dir_;
  static TlsContext *context_;
  Socket server_;
  Socket client_;
  TlsSession session_;
};

MadeCertificate *TlsTest::made_ = nullptr;
TempDir *TlsTest::dir_ = nullptr;
TlsContext *TlsTest::context_ = nullptr;

TEST_F(TlsTest, ServesAClientThatTrustsTheMadeCertificateOverHttp11) {
  TestClient client(made_->pem.certificate, client_.Descriptor());
  auto accepted = AcceptInBackground();
  ASSERT_TRUE(client.Connect());
  ASSERT_EQ(accepted.get(), HandshakeResult::kDone);
  EXPECT_EQ(client.Alpn(), "http/1.1");

  client.Send("GET / HTTP/1.1\r\n\r\n");
  char buffer[64];
  RecvResult peeked = session_.Peek(buffer, 3);
  ASSERT_EQ(peeked.status, RecvStatus::kOk);
  EXPECT_EQ(std::string(buffer, peeked.bytes), "GET");
  EXPECT_TRUE(session_.HasBufferedInput());  // the rest of the record waits in the session
  RecvResult taken = session_.Recv(buffer, sizeof buffer);
  ASSERT_EQ(taken.status, RecvStatus::kOk);
  EXPECT_EQ(std::string(buffer, taken.bytes), "GET / HTTP/1.1\r\n\r\n");
  EXPECT_FALSE(session_.HasBufferedInput());

  ASSERT_TRUE(session_.SendAll("HTTP/1.1 200 OK\r\n\r\n"));
  EXPECT_EQ(client.Receive(), "HTTP/1.1 200 OK\r\n\r\n");
  session_.Shutdown();
  EXPECT_TRUE(client.SawCloseNotify());
}

TEST_F(TlsTest, ReceiveTimeOutLeavesTheSessionUsableAndGoneClientIsClosed) {
  TestClient client(made_->pem.certificate, client_.Descriptor());
  auto accepted = AcceptInBackground();
  ASSERT_TRUE(client.Connect());
  ASSERT_EQ(accepted.get(), HandshakeResult::kDone);
  ASSERT_TRUE(server_.SetReceiveTimeout(50));
  char buffer[16];
  EXPECT_EQ(session_.Peek(buffer, sizeof buffer).status, RecvStatus::kTimeout);
  client.Send("late");
  RecvResult r = session_.Recv(buffer, sizeof buffer);
  ASSERT_EQ(r.status, RecvStatus::kOk);
  EXPECT_EQ(std::string(buffer, r.bytes), "late");

  client_.ShutdownSend();  // the end of the input, without a close_notify
  EXPECT_EQ(session_.Recv(buffer, sizeof buffer).status, RecvStatus::kClosed);
}

TEST_F(TlsTest, SendingToAClientThatLeftFailsWithoutASignal) {
  TestClient client(made_->pem.certificate, client_.Descriptor());
  auto accepted = AcceptInBackground();
  ASSERT_TRUE(client.Connect());
  ASSERT_EQ(accepted.get(), HandshakeResult::kDone);
  client_.Close();
  auto previous = std::signal(SIGPIPE, SIG_DFL);  // a raised SIGPIPE would end the test run
  std::string big(1 << 20, 'x');
  EXPECT_FALSE(session_.SendAll(big));
  std::signal(SIGPIPE, previous);
}

TEST_F(TlsTest, RefusesClientsLimitedToTls11) {
  TestClient client(made_->pem.certificate, client_.Descriptor(), TLS1_1_VERSION);
  auto accepted = AcceptInBackground();
  EXPECT_FALSE(client.Connect());
  EXPECT_EQ(accepted.get(), HandshakeResult::kFailed);
}

// A client that stalls, trickles or vanishes mid-handshake ends the handshake
// within its time-out.
TEST_F(TlsTest, HandshakeEndsInTimeWhateverTheClientDoes) {
  struct Case {
    const char *name;
    std::string sent;
    bool closeAfter;
    HandshakeResult expected;
  } cases[] = {
      {"silent", "", false, HandshakeResult::kTimeout},
      {"half a record", std::string("\x16\x03\x01\x01\x00\x01", 6), false, HandshakeResult::kTimeout},
      {"gone mid-record", std::string("\x16\x03\x01\x01\x00\x01", 6), true, HandshakeResult::kClosed},
      {"plain HTTP", "GET / HTTP/1.1\r\n\r\n", false, HandshakeResult::kFailed},
  };
  for (Case &c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    ASSERT_TRUE(client_.SendAll(c.sent));
    if (c.closeAfter) client_.Close();
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(session_.Accept(200), c.expected);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  }
}

TEST(TlsPlainHttpTest, TellsAHandshakeFromARequestLine) {
  EXPECT_TRUE(LooksLikeTlsClientHello(std::string_view("\x16\x03\x01", 3)));
  EXPECT_FALSE(LooksLikeTlsClientHello("GET / HTTP/1.1"));
  EXPECT_FALSE(LooksLikeTlsClientHello(""));
  std::string_view answer = kPlainHttpOnTlsPortResponse;
  std::string_view body = answer.substr(answer.find("\r\n\r\n") + 4);
  EXPECT_NE(answer.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), answer.npos);
}

TEST(TlsContextLoadTest, NamesTheFileAtFault) {
  TempDir dir;
  const MadeCertificate one = MakeSelfSignedCertificate("one", {});
  const MadeCertificate other = MakeSelfSignedCertificate("other", {});
  const std::string cert = dir.Write("cert.pem", one.pem.certificate);
  const std::string ownKey = dir.Write("own.key", one.pem.privateKey);
  const std::string otherKey = dir.Write("other.key", other.pem.privateKey);
  const std::string notPem = dir.Write("text.pem", "hello");
  const std::string missing = dir.File("missing.pem");
  struct Case {
    std::string certificate, key;
    TlsContextFailure expected;
    std::string named;
  } cases[] = {
      {missing, ownKey, TlsContextFailure::kCertificateUnreadable, missing},
      {notPem, ownKey, TlsContextFailure::kCertificateUnreadable, notPem},
      {cert, missing, TlsContextFailure::kKeyUnreadable, missing},
      {cert, notPem, TlsContextFailure::kKeyUnreadable, notPem},
      {cert, otherKey, TlsContextFailure::kKeyMismatch, otherKey},
      {cert, ownKey, TlsContextFailure::kNone, ""},
  };
  for (const Case &c : cases) {
    TlsContextResult result = LoadTlsServerContext(c.certificate, c.key);
    EXPECT_EQ(result.failure, c.expected) << c.certificate << " " << c.key;
    EXPECT_NE(result.error.find(c.named), std::string::npos) << result.error;
    EXPECT_EQ(result.context != nullptr, c.expected == TlsContextFailure::kNone);
  }
}

}  // namespace
}  // namespace ruz
