// The interface addresses from getifaddrs.
#include "platform/interfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>
#include <memory>

namespace ruz {

namespace {

struct IfaddrsFree {
  void operator()(ifaddrs *list) const { freeifaddrs(list); }
};

// False for entries without an address or of another family (packet sockets).
bool ReadAddress(const sockaddr *raw, IpAddress &address) {
  if (raw == nullptr) return false;
  if (raw->sa_family == AF_INET) {
    const auto *ipv4 = reinterpret_cast<const sockaddr_in *>(raw);
    address.family = AddressFamily::kIpv4;
    std::memcpy(address.bytes.data(), &ipv4->sin_addr, sizeof ipv4->sin_addr);
    return true;
  }
  if (raw->sa_family == AF_INET6) {
    const auto *ipv6 = reinterpret_cast<const sockaddr_in6 *>(raw);
    address.family = AddressFamily::kIpv6;
    std::memcpy(address.bytes.data(), &ipv6->sin6_addr, sizeof ipv6->sin6_addr);
    return true;
  }
  return false;
}

}  // namespace

std::vector<InterfaceAddress> ListInterfaceAddresses() {
  ifaddrs *raw = nullptr;
  if (getifaddrs(&raw) != 0) return {};
  const std::unique_ptr<ifaddrs, IfaddrsFree> list(raw);
  std::vector<InterfaceAddress> addresses;
  for (const ifaddrs *entry = raw; entry != nullptr; entry = entry->ifa_next) {
    InterfaceAddress item;
    if (!ReadAddress(entry->ifa_addr, item.address)) continue;
    item.interfaceName = entry->ifa_name != nullptr ? entry->ifa_name : "";
    item.isUp = (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_RUNNING) != 0;
    item.isLoopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
    addresses.push_back(std::move(item));
  }
  return addresses;
}

}  // namespace ruz
