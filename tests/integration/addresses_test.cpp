// Client addresses of both families through the real server: which listeners
// bindaddress opens, host rules on IPv6 text, and the rows and the log.
#include <gtest/gtest.h>

#include <string>

#include "integration/content_support.h"
#include "integration/harness.h"
#include "support/ipv6_loopback.h"

namespace ruz::test {
namespace {

class AddressesTest : public ContentServerTest {
 protected:
  AddressesTest() {
    WriteFile("www/v6/file.txt", "six");
    WriteFile("www/v4/file.txt", "four");
    SetKey("logformat", "%ip% %Host% \"%MethodUrl%\" %ResponseCode%");
  }
  // "status body" of curl over the given family ("-4" or "-6").
  std::string CurlGet(const std::string &family, const std::string &host, const std::string &path) {
    return RunCommand("curl -s -w ' %{http_code}' " + family + " http://" + host + ":" +
                      std::to_string(Port()) + path);
  }
};

TEST_F(AddressesTest, HostRulesRowsAndTheLogSeeIpv6ClientsAsTheirAddress) {
  RUZ_SKIP_WITHOUT_IPV6();
  SetKey("deny", "1");
  AddSections("[deny0]\npath=/v6/*\nallow=::1,fe80:*\n[deny1]\npath=/v4/*\nallow=127.0.0.1\n");
  StartServer();
  EXPECT_EQ(CurlGet("-6", "[::1]", "/v6/file.txt"), "six 200");
  EXPECT_EQ(CurlGet("-6", "[::1]", "/v4/file.txt"), " 403");
  EXPECT_EQ(CurlGet("-4", "127.0.0.1", "/v4/file.txt"), "four 200");

  EXPECT_EQ(RowFor("/v6/file.txt")[0], "::1");
  EXPECT_EQ(RowFor("/v4/file.txt", 1)[0], "::1");
  EXPECT_EQ(RowFor("/v4/file.txt", 2)[0], "127.0.0.1");
  const std::string log = LogWithLines(3);
  EXPECT_NE(log.find("::1 ::1 \"GET /v6/file.txt HTTP/1.1\" 200"), std::string::npos) << log;
  EXPECT_NE(log.find("::1 ::1 \"GET /v4/file.txt HTTP/1.1\" 403"), std::string::npos) << log;
  EXPECT_NE(log.find("127.0.0.1 127.0.0.1 \"GET /v4/file.txt HTTP/1.1\" 200"), std::string::npos)
      << log;
}

TEST_F(AddressesTest, ABindAddressKeepsEveryListenerToIt) {
  RUZ_SKIP_WITHOUT_IPV6();
  const std::uint16_t tlsPort = FreePort();
  SetKey("bindaddress", "127.0.0.1");
  SetKey("tlsport", std::to_string(tlsPort));
  StartServer();
  EXPECT_EQ(CurlGet("-4", "127.0.0.1", "/v4/file.txt"), "four 200");
  EXPECT_EQ(CurlGet("-6", "[::1]", "/v4/file.txt"), " 000");  // nobody listens there
  EXPECT_EQ(RunCommand("curl -s -w '%{http_code}' -k https://[::1]:" + std::to_string(tlsPort) + "/"),
            "000");
  EXPECT_EQ(RunCommand("curl -s -k https://127.0.0.1:" + std::to_string(tlsPort) + "/v4/file.txt"),
            "four");
}

}  // namespace
}  // namespace ruz::test
