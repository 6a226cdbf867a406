// The addresses other devices type to reach the server, from the interface list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interfaces.h"

namespace ruz {

/// Whether other devices can reach the server at all: bindaddress=localhost
/// (or a loopback address) keeps it to this computer.
enum class Reach { kNetwork, kThisComputerOnly };

struct PublicAddresses {
  Reach reach = Reach::kNetwork;
  /// "http://ADDRESS:PORT/" per address, followed by its "https://…" one when
  /// tlsPort is not 0; IPv4 addresses first, IPv6 ones in brackets after.
  std::vector<std::string> urls;
};

/// Up, non-loopback addresses that bindaddress lets clients reach; link-local
/// addresses are left out (they need an interface name a browser will not take).
PublicAddresses ListPublicAddresses(const std::vector<InterfaceAddress> &interfaces,
                                    std::string_view bindaddress, std::uint16_t port,
                                    std::uint16_t tlsPort);

/// "http://192.0.2.1:80/" or "https://[2001:db8::1]:443/".
std::string ServerUrl(std::string_view scheme, const IpAddress &address, std::uint16_t port);

}  // namespace ruz
