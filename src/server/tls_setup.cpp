// Loading, and when needed first making, the HTTPS certificate.
#include "server/tls_setup.h"

#include "platform/certificate.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace ruz {

namespace {

// No certificate file is anywhere near this large.
constexpr std::uint64_t kMaxCertificateBytes = 1 << 20;

// A new pair for this machine written to the configured files; the warning
// names the file that could not be written.
std::string MakeCertificateFiles(const ServerSettings &settings) {
  MadeCertificate made = MakeSelfSignedCertificate(HostName(), MachineAddresses());
  if (!made.error.empty()) return made.error;
  return WriteCertificateFiles(settings.tlscert, settings.tlskey, made.pem);
}

}  // namespace

TlsSetup PrepareTls(const ServerSettings &settings) {
  TlsSetup setup;
  if (!GetFileInfo(settings.tlscert).exists || !GetFileInfo(settings.tlskey).exists) {
    setup.warning = MakeCertificateFiles(settings);
    if (!setup.warning.empty()) return setup;
    setup.made = true;
  }
  TlsContextResult loaded = LoadTlsServerContext(settings.tlscert, settings.tlskey);
  if (!loaded.context) {
    setup.warning = loaded.error;
    return setup;
  }
  setup.context = std::move(loaded.context);
  std::string pem;
  if (ReadWholeFile(settings.tlscert, pem, kMaxCertificateBytes)) {
    setup.fingerprint = CertificateFingerprint(pem);
  }
  return setup;
}

}  // namespace ruz
