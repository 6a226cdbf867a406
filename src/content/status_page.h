// The live status page: the server's state, its traffic figures and the rows
// of the status list, as a self-refreshing HTML page or as JSON ("?json").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "http/status_table.h"
#include "http/traffic.h"
#include "platform/clock.h"

namespace ruz {

struct ConnectionSlot;
struct RequestInfo;
struct ServerSettings;

/// The request is for statuspath (exactly; never when statuspath is empty).
bool IsStatusPageRequest(const ServerSettings &settings, const RequestInfo &request);

/// The client's address matches a pattern of statusallow.
bool IsStatusPageAllowed(const ServerSettings &settings, const RequestInfo &request);

/// Everything the page shows, read once per request.
struct StatusFacts {
  DateTime startedAt;
  std::uint16_t port = 0;
  std::uint16_t tlsPort = 0;
  int connectionsInUse = 0;
  int maxConnections = 0;
  TrafficSnapshot traffic;
  std::vector<StatusRow> rows;  // newest first
};

/// The HTML page (CP932) and the JSON document (UTF-8).
std::string BuildStatusHtml(const StatusFacts &facts);
std::string BuildStatusJson(const StatusFacts &facts);

/// Sends the page (JSON when the query holds "json"); false when the client
/// went away.
bool SendStatusPage(ConnectionSlot &slot, const RequestInfo &request, std::uint64_t &bytesSent);

}  // namespace ruz
