// Self-signed certificates with OpenSSL, and the interface addresses from getifaddrs.
#include "platform/certificate.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/files.h"
#include "platform/openssl_handles.h"
#include "platform/process.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

// Random serial numbers below 2^159 stay positive in their 20 octets.
constexpr int kSerialBits = 159;
constexpr int kSecondsPerDay = 24 * 60 * 60;
constexpr mode_t kKeyFileMode = 0600;
constexpr mode_t kCertificateFileMode = 0644;

// Letters, digits, hyphens and dots, in labels of 1 to 63: what a DNS name in
// a certificate may hold.
bool IsDnsName(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  std::size_t label = 0;
  for (char c : name) {
    if (c == '.') {
      if (label == 0) return false;
      label = 0;
      continue;
    }
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-';
    if (!allowed || ++label > 63) return false;
  }
  return label > 0;
}

bool AddName(GENERAL_NAMES *names, int type, ASN1_STRING *value) {
  GENERAL_NAME *name = GENERAL_NAME_new();
  if (name == nullptr) {
    ASN1_STRING_free(value);
    return false;
  }
  GENERAL_NAME_set0_value(name, type, value);
  if (sk_GENERAL_NAME_push(names, name) > 0) return true;
  GENERAL_NAME_free(name);
  return false;
}

bool AddDnsName(GENERAL_NAMES *names, std::string_view name) {
  ASN1_IA5STRING *text = ASN1_IA5STRING_new();
  if (text == nullptr || ASN1_STRING_set(text, name.data(), static_cast<int>(name.size())) != 1) {
    ASN1_IA5STRING_free(text);
    return false;
  }
  return AddName(names, GEN_DNS, text);
}

// A text that is no address is left out (true); false only when the library fails.
bool AddAddress(GENERAL_NAMES *names, const std::string &address) {
  ASN1_OCTET_STRING *octets = a2i_IPADDRESS(address.c_str());
  if (octets == nullptr) {
    ERR_clear_error();
    return true;
  }
  return AddName(names, GEN_IPADD, octets);
}

GeneralNamesPtr SubjectNames(std::string_view hostName, const std::vector<std::string> &addresses) {
  GeneralNamesPtr names(GENERAL_NAMES_new());
  if (!names) return names;
  bool ok = true;
  if (IsDnsName(hostName) && hostName != "localhost") ok = AddDnsName(names.get(), hostName);
  ok = ok && AddDnsName(names.get(), "localhost");
  std::vector<std::string> all = {"127.0.0.1", "::1"};
  for (const std::string &address : addresses)
    if (std::find(all.begin(), all.end(), address) == all.end()) all.push_back(address);
  for (const std::string &address : all) ok = ok && AddAddress(names.get(), address);
  if (!ok) names.reset();
  return names;
}

bool AddExtension(X509 *certificate, X509V3_CTX &context, int nid, const char *value) {
  X509_EXTENSION *extension = X509V3_EXT_nconf_nid(nullptr, &context, nid, value);
  const bool added = extension != nullptr && X509_add_ext(certificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

// A server certificate that cannot sign others: what browsers accept from a
// certificate that is its own issuer.
bool AddServerExtensions(X509 *certificate, GENERAL_NAMES *names) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  return AddExtension(certificate, context, NID_basic_constraints, "critical,CA:FALSE") &&
         AddExtension(certificate, context, NID_key_usage, "critical,digitalSignature") &&
         AddExtension(certificate, context, NID_ext_key_usage, "serverAuth") &&
         AddExtension(certificate, context, NID_subject_key_identifier, "hash") &&
         AddExtension(certificate, context, NID_authority_key_identifier, "keyid:always") &&
         X509_add1_ext_i2d(certificate, NID_subject_alt_name, names, 0, X509V3_ADD_DEFAULT) == 1;
}

bool SetRandomSerial(X509 *certificate) {
  BignumPtr serial(BN_new());
  if (!serial || BN_rand(serial.get(), kSerialBits, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1) return false;
  return BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate)) != nullptr;
}

bool SetSubject(X509 *certificate, std::string_view hostName) {
  const std::string commonName = IsDnsName(hostName) ? std::string(hostName) : "localhost";
  X509_NAME *name = X509_get_subject_name(certificate);
  return X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                    reinterpret_cast<const unsigned char *>(commonName.c_str()), -1,
                                    -1, 0) == 1 &&
         X509_set_issuer_name(certificate, name) == 1;
}

bool SetValidity(X509 *certificate) {
  return X509_gmtime_adj(X509_getm_notBefore(certificate), 0) != nullptr &&
         X509_gmtime_adj(X509_getm_notAfter(certificate),
                         static_cast<long>(kSelfSignedValidDays) * kSecondsPerDay) != nullptr;
}

// The text written into a memory BIO so far.
std::string MemoryText(BIO *bio) {
  char *data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

std::string CertificatePemText(X509 *certificate) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_X509(bio.get(), certificate) != 1) return std::string();
  return MemoryText(bio.get());
}

// Unencrypted PKCS #8, as servers read it without asking for a pass phrase.
std::string KeyPemText(const EVP_PKEY *key) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1)
    return std::string();
  return MemoryText(bio.get());
}

MadeCertificate Failed(const char *utf8Text) {
  ERR_clear_error();
  MadeCertificate made;
  made.error = Utf8ToCp932(utf8Text);
  return made;
}

std::string FileMessage(std::string_view utf8Text, std::string_view cp932Path) {
  return Utf8ToCp932(std::string(utf8Text) + "（") + std::string(cp932Path) + Utf8ToCp932("）");
}

// Replaces the file at path with text, its permission bits set to mode
// whatever the file had before.
bool WriteFileWithMode(std::string_view path, std::string_view text, mode_t mode) {
  Descriptor fd(::open(ToSystemPath(path).c_str(),
                       O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode));
  if (!fd.IsValid() || ::fchmod(fd.Get(), mode) != 0) return false;
  while (!text.empty()) {
    const ssize_t n = ::write(fd.Get(), text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return ::fsync(fd.Get()) == 0;
}

bool IsLinkLocal(const sockaddr *address) {
  if (address->sa_family == AF_INET6)
    return IN6_IS_ADDR_LINKLOCAL(&reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr);
  const std::uint32_t ipv4 = ntohl(reinterpret_cast<const sockaddr_in *>(address)->sin_addr.s_addr);
  return (ipv4 >> 16) == 0xA9FE;  // 169.254.0.0/16
}

std::string AddressText(const sockaddr *address) {
  char text[INET6_ADDRSTRLEN] = {};
  const void *raw = address->sa_family == AF_INET6
                        ? static_cast<const void *>(&reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr)
                        : static_cast<const void *>(&reinterpret_cast<const sockaddr_in *>(address)->sin_addr);
  return ::inet_ntop(address->sa_family, raw, text, sizeof text) != nullptr ? text : "";
}

}  // namespace

MadeCertificate MakeSelfSignedCertificate(std::string_view hostName,
                                          const std::vector<std::string> &addresses) {
  PrivateKeyPtr key(EVP_EC_gen("P-256"));
  if (!key) return Failed("証明書の鍵を作れません");
  X509Ptr certificate(X509_new());
  GeneralNamesPtr names = SubjectNames(hostName, addresses);
  if (!certificate || !names || X509_set_version(certificate.get(), X509_VERSION_3) != 1 ||
      !SetRandomSerial(certificate.get()) || !SetSubject(certificate.get(), hostName) ||
      !SetValidity(certificate.get()) || X509_set_pubkey(certificate.get(), key.get()) != 1 ||
      !AddServerExtensions(certificate.get(), names.get()) ||
      X509_sign(certificate.get(), key.get(), EVP_sha256()) == 0) {
    return Failed("証明書を作れません");
  }
  MadeCertificate made;
  made.pem.certificate = CertificatePemText(certificate.get());
  made.pem.privateKey = KeyPemText(key.get());
  if (made.pem.certificate.empty() || made.pem.privateKey.empty()) return Failed("証明書を書き出せません");
  return made;
}

std::string WriteCertificateFiles(std::string_view certificatePath, std::string_view keyPath,
                                  const CertificatePem &pem) {
  if (!WriteFileWithMode(keyPath, pem.privateKey, kKeyFileMode))
    return FileMessage("秘密鍵ファイルを書けません", keyPath);
  if (!WriteFileWithMode(certificatePath, pem.certificate, kCertificateFileMode))
    return FileMessage("証明書ファイルを書けません", certificatePath);
  return std::string();
}

std::string CertificateFingerprint(std::string_view certificatePem) {
  BioPtr bio = MemoryBio(certificatePem);
  X509Ptr certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!certificate || X509_digest(certificate.get(), EVP_sha256(), digest, &length) != 1) {
    ERR_clear_error();
    return std::string();
  }
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : ":%02X", digest[i]);
    text += pair;
  }
  return text;
}

std::vector<std::string> MachineAddresses() {
  ifaddrs *list = nullptr;
  if (::getifaddrs(&list) != 0) return {};
  std::vector<std::string> addresses;
  for (const ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
    const sockaddr *address = entry->ifa_addr;
    if (address == nullptr || (address->sa_family != AF_INET && address->sa_family != AF_INET6)) continue;
    if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
    if (IsLinkLocal(address)) continue;
    std::string text = AddressText(address);
    if (!text.empty() && std::find(addresses.begin(), addresses.end(), text) == addresses.end())
      addresses.push_back(std::move(text));
  }
  ::freeifaddrs(list);
  return addresses;
}

}  // namespace ruz
