// Arbitrary bytes from a client at the server's side of a TLS connection: the
// handshake and the reads after it end without a crash, within their time.
#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "platform/certificate.h"
#include "platform/socket.h"
#include "platform/tls.h"

namespace {

constexpr int kHandshakeMilliseconds = 1000;
constexpr int kReceiveMilliseconds = 100;

// A made certificate, loaded once for every input.
const ruz::TlsContext *ServerContext() {
  static const std::unique_ptr<ruz::TlsContext> context = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "ruz-fuzz-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) return std::unique_ptr<ruz::TlsContext>();
    const ruz::MadeCertificate made = ruz::MakeSelfSignedCertificate("fuzz", {});
    ruz::WriteCertificateFiles(dir + "/cert.pem", dir + "/key.pem", made.pem);
    ruz::TlsContextResult loaded = ruz::LoadTlsServerContext(dir + "/cert.pem", dir + "/key.pem");
    std::filesystem::remove_all(dir);
    return std::move(loaded.context);
  }();
  return context.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const ruz::TlsContext *context = ServerContext();
  FUZZ_CHECK(context != nullptr);
  int fds[2];
  FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
  ruz::Socket server(fds[0]);
  ruz::Socket client(fds[1]);
  // The whole input fits in the socket's buffer; then the client is silent.
  FUZZ_CHECK(client.SendAll(data, size));
  client.ShutdownSend();
  server.SetReceiveTimeout(kReceiveMilliseconds);
  server.SetSendTimeout(kReceiveMilliseconds);

  const auto start = std::chrono::steady_clock::now();
  ruz::TlsSession session(*context, server.Descriptor());
  if (session.Accept(kHandshakeMilliseconds) == ruz::HandshakeResult::kDone) {
    char buffer[512];
    while (session.Recv(buffer, sizeof buffer).status == ruz::RecvStatus::kOk) {
    }
  }
  session.Shutdown();
  FUZZ_CHECK(std::chrono::steady_clock::now() - start <
             std::chrono::milliseconds(2 * kHandshakeMilliseconds));
  return 0;
}
