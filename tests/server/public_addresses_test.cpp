// The addresses given out to other devices, from a table of interfaces.
#include "server/public_addresses.h"

#include <gtest/gtest.h>

namespace ruz {
namespace {

InterfaceAddress Interface(const char *text, bool up = true, bool loopback = false) {
  InterfaceAddress item;
  EXPECT_TRUE(ParseIpAddress(text, item.address)) << text;
  item.isUp = up;
  item.isLoopback = loopback;
  return item;
}

std::vector<InterfaceAddress> Machine() {
  return {
      Interface("127.0.0.1", true, true),      Interface("::1", true, true),
      Interface("2001:db8::10"),               Interface("fe80::1"),
      Interface("192.168.1.20"),               Interface("10.0.0.5", false),
      Interface("169.254.3.4"),                Interface("192.168.1.20"),
      Interface("fd00::7"),
  };
}

struct AddressCase {
  const char *name;
  const char *bindaddress;
  std::uint16_t tlsPort;
  Reach reach;
  std::vector<std::string> urls;
};

TEST(PublicAddressesTest, ListsUpNonLoopbackAddressesThatTheBindAddressAllows) {
  const AddressCase cases[] = {
      {"every address: IPv4 first, link-local, down and duplicates left out", "", 0,
       Reach::kNetwork,
       {"http://192.168.1.20:8080/", "http://[2001:db8::10]:8080/", "http://[fd00::7]:8080/"}},
      {"with HTTPS", "", 8443, Reach::kNetwork,
       {"http://192.168.1.20:8080/", "https://192.168.1.20:8443/", "http://[2001:db8::10]:8080/",
        "https://[2001:db8::10]:8443/", "http://[fd00::7]:8080/", "https://[fd00::7]:8443/"}},
      {"one address", "192.168.1.20", 0, Reach::kNetwork, {"http://192.168.1.20:8080/"}},
      {"an address of no interface", "192.0.2.9", 0, Reach::kNetwork, {}},
      {"IPv4 unspecified", "0.0.0.0", 0, Reach::kNetwork, {"http://192.168.1.20:8080/"}},
      {"localhost", "localhost", 0, Reach::kThisComputerOnly, {}},
      {"IPv4 loopback", "127.0.0.1", 0, Reach::kThisComputerOnly, {}},
      {"IPv6 loopback", "::1", 8443, Reach::kThisComputerOnly, {}},
      {"not an address", "example", 0, Reach::kNetwork, {}},
  };
  for (const AddressCase &c : cases) {
    SCOPED_TRACE(c.name);
    const PublicAddresses result = ListPublicAddresses(Machine(), c.bindaddress, 8080, c.tlsPort);
    EXPECT_EQ(result.reach, c.reach);
    EXPECT_EQ(result.urls, c.urls);
  }
}

}  // namespace
}  // namespace ruz
