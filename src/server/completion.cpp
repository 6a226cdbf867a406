// The end of every request: the response still due (custom error page or
// header only), the close, then the response cell, the log line, the row and
// the slot, in that order.
#include "server/completion.h"

#include "content/error_page.h"
#include "content/file_response.h"
#include "http/server_shared.h"
#include "http/slot_pool.h"
#include "log/access_log.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/response_header.h"
#include "http/server_watch.h"

namespace ruz {

namespace {

// True when the page was served. A page that exists but cannot be opened
// sends nothing, so the caller can still send the header-only response.
bool ServeErrorPage(ConnectionSlot &slot, RequestInfo &request, const std::string &extra,
                    std::uint64_t &bytesSent, int code) {
  const std::string path = FindErrorPage(*slot.settings, code);
  if (path.empty()) return false;
  ReadFile file;
  if (!OpenForSending(path, file)) {
    SetStatusText(slot, RUZ_CP932("ファイルオープンエラー"));
    return false;
  }
  SendOpenFile(slot, request, extra, path, file, bytesSent, code, false, false);
  return true;
}

void SendDueResponse(ConnectionSlot &slot, RequestInfo &request, std::string &extra,
                     std::uint64_t &bytesSent, int code) {
  if (!ServeErrorPage(slot, request, extra, bytesSent, code)) {
    // A bodiless answer on a connection that may be kept says where it ends;
    // a 304 never has a body.
    if (slot.framing.keepAliveOffered && code != 304) {
      if (!extra.empty() && !extra.ends_with('\n')) extra += "\r\n";
      extra += "Content-Length: 0\r\n";
    }
    SendResponseHeader(slot, code, extra);
  }
}

}  // namespace

void FinishRequest(ConnectionSlot &slot, RequestInfo &request, std::string extra,
                   std::uint64_t bytesSent, int code, bool sendResponse) {
  // One response per connection: a producer that failed after its header
  // went out leaves nothing to send.
  if (sendResponse && !slot.headerSent) SendDueResponse(slot, request, extra, bytesSent, code);
  FinishClientOutput(slot);
  CloseSlotSocket(slot);
  CountFinishedRequest(slot.shared != nullptr ? slot.shared->watch : nullptr, slot, request, code,
                       bytesSent);
  const LoggedStatus status = LoggedStatusOf(slot, code);
  SetRowText(slot, kColResponse, status.code + " " + status.text);
  if (slot.shared != nullptr && slot.shared->accessLog != nullptr) {
    slot.shared->accessLog->Store(FormatLogLine(slot, request, bytesSent, code));
  }
  FreeRequestInfo(request);
  FinishConnectionRow(slot);
  // The slot is free once this returns; nothing after it may read the slot.
  if (slot.pool != nullptr) slot.pool->Return(slot);
}

}  // namespace ruz
