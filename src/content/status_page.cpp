// Admitting and answering requests for the live status page.
#include "content/status_page.h"

#include "common/lines.h"
#include "content/page_response.h"
#include "config/settings.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/response_header.h"
#include "http/server_shared.h"
#include "http/server_watch.h"
#include "http/slot_pool.h"
#include "http/status_rows.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

// "json", "json=1" or "x=1&json" all ask for the JSON document.
bool WantsJson(std::string_view query) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    if (item.substr(0, item.find('=')) == "json") return true;
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return false;
}

StatusFacts GatherFacts(const ConnectionSlot &slot) {
  StatusFacts facts;
  if (slot.shared != nullptr && slot.shared->watch != nullptr) {
    const ServerWatch &watch = *slot.shared->watch;
    facts.startedAt = watch.startedAt;
    facts.port = watch.port;
    facts.tlsPort = watch.tlsPort;
    facts.maxConnections = watch.maxConnections;
    facts.traffic = watch.traffic.Snapshot(TrafficClock());
  }
  if (slot.pool != nullptr) facts.connectionsInUse = slot.pool->TakenCount();
  if (slot.statusTable != nullptr) facts.rows = slot.statusTable->Rows();
  return facts;
}

}  // namespace

bool IsStatusPageRequest(const ServerSettings &settings, const RequestInfo &request) {
  return !settings.statuspath.empty() && request.path == settings.statuspath;
}

bool IsStatusPageAllowed(const ServerSettings &settings, const RequestInfo &request) {
  return FindLine(settings.statusallow, request.remoteAddr, true) >= 0;
}

bool SendStatusPage(ConnectionSlot &slot, const RequestInfo &request, std::uint64_t &bytesSent) {
  const StatusFacts facts = GatherFacts(slot);
  const bool json = WantsJson(request.query);
  const std::string body = json ? BuildStatusJson(facts) : BuildStatusHtml(facts);
  std::string lines = "Content-Length: " + std::to_string(body.size()) + "\r\nContent-Type: " +
                      (json ? "application/json; charset=utf-8" : "text/html; charset=Shift_JIS") +
                      "\r\nCache-Control: no-store\r\n";
  return SendPageResponse(slot, request, lines, body, bytesSent);
}

}  // namespace ruz
