// Made certificates: the names they cover, their lifetime, the files' modes
// and the fingerprint as the openssl tool shows it.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "platform/certificate.h"
#include "support/temp_dir.h"

namespace ruz {
namespace {

struct X509Free {
  void operator()(X509 *certificate) const { X509_free(certificate); }
};

std::unique_ptr<X509, X509Free> ParsePem(const std::string &pem) {
  BIO *bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  X509 *certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  return std::unique_ptr<X509, X509Free>(certificate);
}

mode_t ModeOf(const std::string &path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(CertificateTest, NamesTheHostLocalhostLoopbackAndTheGivenAddressesOnly) {
  MadeCertificate made = MakeSelfSignedCertificate("pc-1.example", {"192.0.2.7", "2001:db8::5", "no address"});
  ASSERT_EQ(made.error, "");
  auto certificate = ParsePem(made.pem.certificate);
  ASSERT_TRUE(certificate);
  for (const char *host : {"pc-1.example", "localhost"})
    EXPECT_EQ(X509_check_host(certificate.get(), host, 0, 0, nullptr), 1) << host;
  EXPECT_NE(X509_check_host(certificate.get(), "other.example", 0, 0, nullptr), 1);
  for (const char *ip : {"127.0.0.1", "::1", "192.0.2.7", "2001:db8::5"})
    EXPECT_EQ(X509_check_ip_asc(certificate.get(), ip, 0), 1) << ip;
  EXPECT_NE(X509_check_ip_asc(certificate.get(), "192.0.2.8", 0), 1);

  int days = 0, seconds = 0;
  ASSERT_EQ(ASN1_TIME_diff(&days, &seconds, X509_get0_notBefore(certificate.get()),
                           X509_get0_notAfter(certificate.get())), 1);
  EXPECT_EQ(days, kSelfSignedValidDays);
  EXPECT_EQ(EVP_PKEY_get_bits(X509_get0_pubkey(certificate.get())), 256);
  EXPECT_EQ(X509_check_ca(certificate.get()), 0);  // cannot sign other certificates

  // A host name that is no DNS name is left out, and the serial is new each time.
  MadeCertificate odd = MakeSelfSignedCertificate("bad name,DNS:evil", {});
  ASSERT_EQ(odd.error, "");
  auto oddCertificate = ParsePem(odd.pem.certificate);
  EXPECT_EQ(X509_check_host(oddCertificate.get(), "localhost", 0, 0, nullptr), 1);
  EXPECT_NE(X509_check_host(oddCertificate.get(), "evil", 0, 0, nullptr), 1);
  EXPECT_NE(ASN1_INTEGER_cmp(X509_get0_serialNumber(certificate.get()),
                             X509_get0_serialNumber(oddCertificate.get())), 0);
}

TEST(CertificateTest, WritesAPrivateKeyAndAFingerprintTheOpensslToolAgreesWith) {
  TempDir dir;
  const std::string cert = dir.File("cert.pem");
  const std::string key = dir.Write("key.pem", "an older key readable by anyone");
  ::chmod(key.c_str(), 0644);
  MadeCertificate made = MakeSelfSignedCertificate("host", {});
  ASSERT_EQ(WriteCertificateFiles(cert, key, made.pem), "");
  EXPECT_EQ(ModeOf(key), 0600u);
  EXPECT_EQ(ModeOf(cert), 0644u);
  EXPECT_NE(WriteCertificateFiles(cert, dir.File("none/key.pem"), made.pem).find("none/key.pem"),
            std::string::npos);

  const std::string fingerprint = CertificateFingerprint(made.pem.certificate);
  EXPECT_EQ(fingerprint.size(), 32u * 3 - 1);
  EXPECT_EQ(CertificateFingerprint("not a certificate"), "");
  FILE *tool = ::popen(("openssl x509 -noout -fingerprint -sha256 -in " + cert + " 2>/dev/null").c_str(), "r");
  ASSERT_NE(tool, nullptr);
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, tool) != nullptr;
  ::pclose(tool);
  if (!read) GTEST_SKIP() << "the openssl tool is not installed";
  std::string shown = line;
  EXPECT_EQ(shown.substr(shown.find('=') + 1), fingerprint + "\n");
}

}  // namespace
}  // namespace ruz
