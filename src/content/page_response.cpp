// A page built in memory, sent as a whole 200 response.
#include "content/page_response.h"

#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/response_header.h"
#include "http/status_rows.h"
#include "platform/text_codes.h"

namespace ruz {

bool SendPageResponse(ConnectionSlot &slot, const RequestInfo &request, std::string &lines,
                      std::string_view page, std::uint64_t &bytesSent) {
  bytesSent = 0;
  // The header waits for the page (for a HEAD request, for the end of the
  // response), so both leave in one send.
  HoldNextSend(slot);
  const bool bodyFollows = request.method != "HEAD";
  if (!SendResponseHeader(slot, 200, lines) || (bodyFollows && !SendToClient(slot, page))) {
    SetStatusText(slot, RUZ_CP932("相手側で切断"));
    return false;
  }
  if (bodyFollows) bytesSent = page.size();
  SetStatusText(slot, RUZ_CP932("正常終了"));
  return true;
}

}  // namespace ruz
