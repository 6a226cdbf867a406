// Self-signed server certificates: making one for this machine, writing it
// with its key, its SHA-256 fingerprint, and the machine's addresses it names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruz {

/// A certificate and its private key, both PEM texts.
struct CertificatePem {
  std::string certificate;
  std::string privateKey;
};

/// pem is set when error is empty.
struct MadeCertificate {
  CertificatePem pem;
  std::string error;
};

/// Days a made certificate stays valid: the longest that browsers accept.
inline constexpr int kSelfSignedValidDays = 825;

/// A new ECDSA P-256 key and a self-signed server certificate for it, valid
/// from now for kSelfSignedValidDays, with a random serial number. It names
/// hostName (also as its common name), localhost, 127.0.0.1, ::1 and every
/// textual address in addresses (IPv4 or IPv6); a host name that is empty or
/// not a valid DNS name, and a text that is no address, are left out.
MadeCertificate MakeSelfSignedCertificate(std::string_view hostName,
                                          const std::vector<std::string> &addresses);

/// Writes the key (mode 0600, replacing a file there) and then the certificate
/// (mode 0644) to CP932 paths. Empty on success, else a CP932 text naming the
/// file that could not be written.
std::string WriteCertificateFiles(std::string_view certificatePath, std::string_view keyPath,
                                  const CertificatePem &pem);

/// The SHA-256 fingerprint of the first certificate in a PEM text as upper-case
/// hex pairs joined by colons ("AB:CD:..."); empty when there is none.
std::string CertificateFingerprint(std::string_view certificatePem);

/// The textual addresses (IPv4 dotted, IPv6 in RFC 5952 form) of this
/// machine's interfaces that are up, without loopback and link-local ones,
/// each once.
std::vector<std::string> MachineAddresses();

}  // namespace ruz
