// The client's wish to keep its connection, from its request line and header.
#include "http/keep_alive.h"

#include "config/settings.h"
#include "http/request_info.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool HasToken(std::string_view list, std::string_view token) {
  while (!list.empty()) {
    const auto comma = list.find(',');
    if (EqualsIgnoreCase(Trimmed(list.substr(0, comma)), token)) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace

bool ClientAsksToKeep(std::string_view protocol, std::string_view connectionField) {
  if (protocol == "HTTP/1.1") return !HasToken(connectionField, "close");
  if (protocol == "HTTP/1.0") return HasToken(connectionField, "keep-alive");
  return false;
}

namespace {

// A body whose end the server knows, so the next request can be told from it.
bool BodyHasKnownEnd(const RequestInfo &request) {
  if (!request.transferEncoding.empty()) return false;
  const bool sendsBody = request.method == "POST" || request.method == "PUT";
  return !sendsBody || !request.contentLength.empty();
}

}  // namespace

ResponseFraming OfferKeepAlive(const ServerSettings &settings, const RequestInfo &request,
                               int requestsServed) {
  ResponseFraming framing;
  framing.keepAliveOffered =
      settings.keepalive > 0 && ClientAsksToKeep(request.protocol, request.connection);
  framing.chunkedAllowed = request.protocol == "HTTP/1.1";
  framing.keepAliveSeconds = settings.keepalive;
  framing.connectionReused = framing.keepAliveOffered && BodyHasKnownEnd(request) &&
                             requestsServed + 1 < kMaxRequestsPerConnection;
  return framing;
}

}  // namespace ruz
