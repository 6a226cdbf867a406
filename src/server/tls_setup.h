// The server's certificate for HTTPS: loaded from the configured files, or
// made first (self-signed for this machine) when either file is missing.
#pragma once

#include <memory>
#include <string>

#include "config/settings.h"
#include "platform/tls.h"

namespace ruz {

struct TlsSetup {
  /// Set when the certificate and key could be used.
  std::unique_ptr<TlsContext> context;
  /// The certificate's SHA-256 fingerprint ("AB:CD:…"), for visitors to check.
  std::string fingerprint;
  /// The certificate and key were made by this start.
  bool made = false;
  /// Why HTTPS cannot run, naming the file at fault (CP932); empty when it can.
  std::string warning;
};

/// The certificate and key of settings.tlscert and settings.tlskey; when
/// either file is missing, a new self-signed pair is written there first.
TlsSetup PrepareTls(const ServerSettings &settings);

}  // namespace ruz
