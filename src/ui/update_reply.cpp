#include "ui/update_reply.h"

#include <charconv>

#include "common/version.h"

namespace ruz {

bool AppendReplyChunk(std::string &reply, std::string_view chunk) {
  if (reply.size() + chunk.size() + 1 >= kUpdateReplyLimit) return false;
  reply.append(chunk);
  return true;
}

bool ExtractReplyBody(std::string_view reply, std::string &body) {
  const std::size_t end = reply.find("\r\n\r\n");
  if (end == std::string_view::npos) return false;
  body.assign(reply.substr(end + 4));
  return true;
}

bool OffersNewVersion(std::string_view body) { return body != kServerSoftware; }

bool ParseUpdateHost(std::string_view text, UpdateHost &out) {
  const std::size_t colon = text.rfind(':');
  std::string_view host = text.substr(0, colon);
  unsigned port = 80;
  if (colon != std::string_view::npos) {
    const std::string_view digits = text.substr(colon + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        port == 0 || port > 65535)
      return false;
  }
  if (host.empty()) return false;
  out.host.assign(host);
  out.port = static_cast<std::uint16_t>(port);
  return true;
}

}  // namespace ruz
