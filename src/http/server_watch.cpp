// Feeding the traffic figures from a finished request.
#include "http/server_watch.h"

#include <charconv>

#include "http/connection_slot.h"
#include "http/request_info.h"

namespace ruz {

namespace {

constexpr int kFirstErrorCode = 400;

// The code a client received: a program's own status line counts unless the
// request failed after it.
int SentCode(const ConnectionSlot &slot, int code) {
  const std::string &sent = slot.sentStatus;
  if (sent.empty() || code >= kFirstErrorCode) return code;
  int parsed = 0;
  const auto [end, error] = std::from_chars(sent.data(), sent.data() + sent.size(), parsed);
  return error == std::errc() ? parsed : code;
}

}  // namespace

void CountFinishedRequest(ServerWatch *watch, const ConnectionSlot &slot,
                          const RequestInfo &request, int code, std::uint64_t bytesSent) {
  if (watch == nullptr) return;
  watch->traffic.Record(TrafficClock(), request.path, request.remoteAddr, SentCode(slot, code),
                        bytesSent);
}

}  // namespace ruz
