// Whether this host has the IPv6 loopback address; tests that need ::1 skip
// without it instead of failing on a host built without IPv6.
#pragma once

#include <gtest/gtest.h>

#include "platform/socket.h"

namespace ruz {

inline bool HasIpv6Loopback() {
  IpAddress loopback;
  return ParseIpAddress("::1", loopback) && ListenTcp(loopback, 0, 1).socket.IsValid();
}

}  // namespace ruz

#define RUZ_SKIP_WITHOUT_IPV6() \
  if (!::ruz::HasIpv6Loopback()) GTEST_SKIP() << "this host has no IPv6 loopback"
