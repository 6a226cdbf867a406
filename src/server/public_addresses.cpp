// Filtering and formatting the interface addresses a visitor can use.
#include "server/public_addresses.h"

#include <algorithm>

namespace ruz {

namespace {

constexpr std::string_view kLocalhost = "localhost";

bool IsLinkLocal(const IpAddress &address) {
  const auto &b = address.bytes;
  if (address.family == AddressFamily::kIpv4) return b[0] == 169 && b[1] == 254;
  return b[0] == 0xfe && (b[1] & 0xc0) == 0x80;  // fe80::/10
}

bool IsUnspecified(const IpAddress &address) {
  return std::all_of(address.bytes.begin(), address.bytes.end(), [](auto b) { return b == 0; });
}

bool IsLoopbackAddress(const IpAddress &address) {
  if (address.family == AddressFamily::kIpv4) return address.bytes[0] == 127;
  IpAddress ipv6Loopback{AddressFamily::kIpv6, {}};
  ipv6Loopback.bytes[15] = 1;
  return address == ipv6Loopback;
}

// What a bind address lets through: every address, those of one family (the
// unspecified address of it), or one address.
bool BindAllows(const IpAddress &candidate, const IpAddress *bound) {
  if (bound == nullptr) return true;
  if (IsUnspecified(*bound)) {
    // [::] takes IPv4 clients too; 0.0.0.0 only IPv4 ones.
    return bound->family == AddressFamily::kIpv6 || candidate.family == AddressFamily::kIpv4;
  }
  return candidate == *bound;
}

std::vector<IpAddress> Reachable(const std::vector<InterfaceAddress> &interfaces,
                                 const IpAddress *bound) {
  std::vector<IpAddress> found;
  for (const InterfaceAddress &item : interfaces) {
    if (!item.isUp || item.isLoopback || IsLoopbackAddress(item.address)) continue;
    if (IsLinkLocal(item.address) || !BindAllows(item.address, bound)) continue;
    if (std::find(found.begin(), found.end(), item.address) == found.end()) {
      found.push_back(item.address);
    }
  }
  std::stable_partition(found.begin(), found.end(),
                        [](const IpAddress &a) { return a.family == AddressFamily::kIpv4; });
  return found;
}

}  // namespace

std::string ServerUrl(std::string_view scheme, const IpAddress &address, std::uint16_t port) {
  return std::string(scheme) + "://" + FormatEndpoint(address, port) + "/";
}

PublicAddresses ListPublicAddresses(const std::vector<InterfaceAddress> &interfaces,
                                    std::string_view bindaddress, std::uint16_t port,
                                    std::uint16_t tlsPort) {
  PublicAddresses result;
  IpAddress bound;
  const bool single = !bindaddress.empty() && ParseIpAddress(bindaddress, bound);
  if (bindaddress == kLocalhost || (single && IsLoopbackAddress(bound))) {
    result.reach = Reach::kThisComputerOnly;
    return result;
  }
  if (!bindaddress.empty() && !single) return result;  // not an address: nothing listens
  for (const IpAddress &address : Reachable(interfaces, single ? &bound : nullptr)) {
    result.urls.push_back(ServerUrl("http", address, port));
    if (tlsPort != 0) result.urls.push_back(ServerUrl("https", address, tlsPort));
  }
  return result;
}

}  // namespace ruz
