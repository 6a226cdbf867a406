// Addresses of both families: their text, and the peers a listener for both
// families reports.
#include <gtest/gtest.h>

#include "platform/socket.h"
#include "support/ipv6_loopback.h"

namespace ruz {
namespace {

TEST(IpAddressTest, ReadsAndPrintsBothFamiliesInTheirStandardForm) {
  const std::pair<const char *, const char *> cases[] = {
      {"127.0.0.1", "127.0.0.1"},
      {"::1", "::1"},
      {"[::1]", "::1"},
      {"2001:0DB8:0000:0000:0000:0000:0000:0001", "2001:db8::1"},
      {"2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},  // the first longest run of zeros
      {"fe80::0:1", "fe80::1"},
      {"::ffff:10.1.2.3", "10.1.2.3"},  // IPv4 mapped into IPv6 reads as IPv4
  };
  for (const auto &[text, shown] : cases) {
    IpAddress address;
    ASSERT_TRUE(ParseIpAddress(text, address)) << text;
    EXPECT_EQ(FormatIpAddress(address), shown) << text;
  }
  IpAddress address;
  for (const char *bad : {"", "localhost", "1.2.3", "::1%lo", "[::1", "1.2.3.4:80"}) {
    EXPECT_FALSE(ParseIpAddress(bad, address)) << bad;
  }
  ASSERT_TRUE(ParseIpAddress("::1", address));
  EXPECT_EQ(FormatEndpoint(address, 80), "[::1]:80");
  ASSERT_TRUE(ParseIpAddress("127.0.0.1", address));
  EXPECT_EQ(FormatEndpoint(address, 80), "127.0.0.1:80");
}

TEST(ListenTcpTest, TheListenerForEveryAddressReportsIpv4ClientsAsIpv4) {
  RUZ_SKIP_WITHOUT_IPV6();
  ListenResult listener = ListenTcp(0, 4);
  ASSERT_TRUE(listener.socket.IsValid());
  for (const char *host : {"127.0.0.1", "::1"}) {
    Socket client = ConnectTcp(host, listener.boundPort, 5000);
    ASSERT_TRUE(client.IsValid()) << host;
    PeerAddress peer;
    Socket accepted = AcceptConnection(listener.socket, peer);
    ASSERT_TRUE(accepted.IsValid()) << host;
    EXPECT_EQ(FormatIpAddress(peer.address), host);
    EXPECT_NE(peer.port, 0);
  }
}

}  // namespace
}  // namespace ruz
