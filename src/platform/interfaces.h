// The addresses of this computer's network interfaces.
#pragma once

#include <string>
#include <vector>

#include "platform/socket.h"

namespace ruz {

/// One address of one interface, as the system lists it.
struct InterfaceAddress {
  std::string interfaceName;
  IpAddress address;
  bool isUp = false;
  bool isLoopback = false;
};

/// Every IPv4 and IPv6 address of every interface, in the system's order; empty
/// when the system cannot list them.
std::vector<InterfaceAddress> ListInterfaceAddresses();

}  // namespace ruz
