// What a running server tells its watchers: since when it runs, on which
// ports, and its traffic figures. One per server start.
#pragma once

#include <cstdint>
#include <string>

#include "http/traffic.h"
#include "platform/clock.h"

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;

struct ServerWatch {
  DateTime startedAt;  // local time
  std::uint16_t port = 0;
  std::uint16_t tlsPort = 0;  // 0 without HTTPS
  int maxConnections = 0;
  TrafficFigures traffic;
};

/// The connection's own thread, as its request ends: counts the request, its
/// path, its client, its status (the one that went out, when a program chose
/// it) and its bytes. Nothing without a watch.
void CountFinishedRequest(ServerWatch *watch, const ConnectionSlot &slot,
                          const RequestInfo &request, int code, std::uint64_t bytesSent);

}  // namespace ruz
