// The end of every request: the response still due (custom error page or
// header only), the close unless the connection is kept, then the response
// cell, the log line and the row, in that order.
#include "server/completion.h"

#include "content/error_page.h"
#include "content/static_file.h"
#include "http/server_shared.h"
#include "http/keep_alive.h"
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
  SendOpenFile(slot, request, file, {.path = path, .extra = extra, .code = code}, bytesSent);
  return true;
}

// False when the header-only response did not reach the client.
bool SendDueResponse(ConnectionSlot &slot, RequestInfo &request, std::string &extra,
                     std::uint64_t &bytesSent, int code) {
  if (ServeErrorPage(slot, request, extra, bytesSent, code)) return true;
  // A bodiless answer on a connection that may be kept says where it ends;
  // a 304 never has a body.
  if (slot.framing.keepAliveOffered && code != 304) {
    if (!extra.empty() && !extra.ends_with('\n')) extra += "\r\n";
    extra += "Content-Length: 0\r\n";
  }
  return SendResponseHeader(slot, code, extra);
}

// The largest unread request body that is received and dropped to keep the
// connection; a larger one ends it.
constexpr std::uint64_t kMaxDiscardedBody = 1024 * 1024;

// Whether the connection can carry the next request: its header said so, the
// body went out as framed and whole, the server is not stopping, and the
// request's body has been received to its end. A client that announced its
// body but waits for "100 Continue" may never send it.
bool CanKeep(ConnectionSlot &slot, const RequestInfo &request, int code) {
  if (!slot.framing.keptInHeader || !KeepsConnection(slot.framing, code)) return false;
  if (!FlushClientOutput(slot) || slot.cutOff.load() || slot.shed.load()) return false;
  if (slot.bodyLeft > 0 && !request.expect.empty()) return false;
  return DiscardRestOfBody(slot, kMaxDiscardedBody);
}

}  // namespace

ConnectionEnd FinishRequest(ConnectionSlot &slot, RequestInfo &request, std::string extra,
                            std::uint64_t bytesSent, int code, bool sendResponse) {
  // One response per request: a producer that failed after its header
  // went out leaves nothing to send. A response that did not reach the
  // client ends the connection.
  bool delivered = true;
  if (sendResponse && !slot.headerSent) {
    delivered = SendDueResponse(slot, request, extra, bytesSent, code);
  }
  const ConnectionEnd end =
      delivered && CanKeep(slot, request, code) ? ConnectionEnd::kKept : ConnectionEnd::kClosed;
  if (end == ConnectionEnd::kClosed) {
    FinishClientOutput(slot);
    CloseSlotSocket(slot);
  }
  CountFinishedRequest(slot.shared != nullptr ? slot.shared->watch : nullptr, slot, request, code,
                       bytesSent);
  const LoggedStatus status = LoggedStatusOf(slot, code);
  SetRowText(slot, kColResponse, status.code + " " + status.text);
  if (slot.shared != nullptr && slot.shared->accessLog != nullptr) {
    AccessLog &log = *slot.shared->accessLog;
    log.Store(FormatLogLine(log.Format(), slot, request, bytesSent, code));
  }
  FreeRequestInfo(request);
  FinishConnectionRow(slot);
  return end;
}

}  // namespace ruz
