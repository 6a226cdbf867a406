// Sending the directory listing and the directory redirect.
#include "content/listing.h"

#include "config/private_files.h"
#include "content/page_response.h"
#include "content/pages.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/server_shared.h"
#include "http/request_info.h"
#include "http/response_header.h"

namespace ruz {

namespace {

// The page is written in CP932; browsers must be told so.
constexpr const char *kListingType = "text/html; charset=Shift_JIS";

}  // namespace

void SendDirectoryRedirect(ConnectionSlot &slot, RequestInfo &request) {
  SetStatusText(slot, request.path + RUZ_CP932("/へ移動"));
  const std::string location = RedirectLocation(request.path);
  const std::string page = BuildRedirectPage(location);
  std::string lines = "Content-Length: " + std::to_string(page.size()) +
                      "\r\nContent-Type: text/html\r\nLocation: " + location;
  HoldNextSend(slot);
  if (SendResponseHeader(slot, 302, lines) && request.method != "HEAD") SendToClient(slot, page);
}

bool SendDirectoryListing(ConnectionSlot &slot, RequestInfo &request, std::uint64_t &bytesSent) {
  // A directory that cannot be read is listed with its parent row only.
  std::vector<DirEntry> entries;
  if (!ListDirectory(request.localPath, entries)) entries.clear();
  std::erase_if(entries,
                [&](const DirEntry &entry) { return IsPrivateFile(*slot.shared, entry.info); });
  const std::string page = BuildListingPage(request.path, entries);
  std::string lines =
      "Content-Length: " + std::to_string(page.size()) + "\r\nContent-Type: " + kListingType + "\r\n";
  return SendPageResponse(slot, request, lines, page, bytesSent);
}

}  // namespace ruz
