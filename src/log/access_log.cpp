// The end-of-request bookkeeping and the access log in the operator's format.
#include "log/access_log.h"

#include <cstdio>

#include "common/append_file.h"
#include "common/expand_token.h"
#include "log/log_escape.h"
#include "common/format_time.h"
#include "common/lines.h"
#include "config/settings.h"
#include "http/status_rows.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
#include "http/slot_pool.h"
#include "http/request_info.h"
#include "http/response_header.h"

namespace ruz {

namespace {

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string FourDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", value);
  return text;
}

std::string ShortName(const char *format, const DateTime &t) {
  std::string name;
  FormatTime(name, 4, format, t);
  return name;
}

// The status a request is logged and shown with: the status line that went
// out (a CGI program may have chosen it), unless the request failed after it
// (a client that left mid-transfer): then its error code tells the operator
// the transfer broke off.
struct LoggedStatus {
  std::string code;
  std::string text;
};

LoggedStatus StatusOf(const ConnectionSlot &slot, int statusCode) {
  const std::string &sent = slot.sentStatus;
  constexpr int kFirstErrorCode = 400;
  if (sent.empty() || statusCode >= kFirstErrorCode) {
    return {std::to_string(statusCode), StatusReason(statusCode)};
  }
  const std::size_t space = sent.find(' ');
  if (space == std::string::npos) return {sent, ""};
  return {sent.substr(0, space), sent.substr(space + 1)};
}

void ExpandAll(std::string &line, const RequestInfo &request, const DateTime &t,
               std::uint64_t bytesSent, const LoggedStatus &status) {
  // Every text a client chose is escaped, so no request can forge a field or
  // a line, or send escape sequences to a terminal showing the log.
  const std::pair<const char *, std::string> tokens[] = {
      {"%ip%", request.remoteAddr},
      {"%host%", request.remoteHost},
      {"%methodurl%", EscapeLogText(request.requestLine)},
      {"%method%", EscapeLogText(request.method)},
      {"%url%", EscapeLogText(request.uri)},
      {"%protocol%", EscapeLogText(request.protocol)},
      {"%filepath%", EscapeLogText(request.localPath)},
      {"%query%", EscapeLogText(request.query)},
      {"%referer%", EscapeLogText(request.referer)},
      {"%ua%", EscapeLogText(request.userAgent)},
      {"%year%", FourDigits(t.year)},
      {"%month%", TwoDigits(t.month)},
      {"%day%", TwoDigits(t.day)},
      {"%hour%", TwoDigits(t.hour)},
      {"%min%", TwoDigits(t.minute)},
      {"%sec%", TwoDigits(t.second)},
      {"%monthstring%", ShortName("%b", t)},
      {"%weekstring%", ShortName("%a", t)},
      {"%bytesd%", std::to_string(bytesSent)},
      {"%responsecode%", EscapeLogText(status.code)},
      {"%responsetext%", EscapeLogText(status.text)},
  };
  for (const auto &[token, value] : tokens) ExpandToken(line, token, value);
}

// The file where lines go when they leave the buffer (or skip it): the log
// kept open by the server, or the path opened for this write.
void WriteOut(ConnectionSlot &slot, std::string_view text) {
  if (slot.logFile != nullptr) {
    slot.logFile->Append(text);
  } else {
    AppendToFile(ExeRelativePath(slot.settings->logname), text);
  }
}

// The buffer never holds more than capacity - 1 bytes; what does not fit goes
// to the file, and a line longer than the whole buffer goes there directly.
void BufferLine(ConnectionSlot &slot, LogBuffer &buffer, const std::string &line) {
  if (buffer.capacity >= buffer.text.size() + line.size() + 1) {
    buffer.text += line;
    return;
  }
  if (!buffer.text.empty()) WriteOut(slot, buffer.text);
  buffer.text.clear();
  if (buffer.capacity >= line.size() + 1) {
    buffer.text = line;
  } else {
    WriteOut(slot, line);
  }
}

}  // namespace

std::string FormatLogLine(const ConnectionSlot &slot, const RequestInfo &request,
                          std::uint64_t bytesSent, int statusCode) {
  const DateTime t = slot.startTime != nullptr ? *slot.startTime : GetLocalDateTime();
  std::string line = slot.settings->logformat + "\r\n";
  ExpandAll(line, request, t, bytesSent, StatusOf(slot, statusCode));
  ReplaceAll(line, "%%", "%");
  return line;
}

void StoreLogLine(ConnectionSlot &slot, const std::string &line) {
  if (slot.settings->mem && slot.logBuffer != nullptr) {
    BufferLine(slot, *slot.logBuffer, line);
  } else {
    WriteOut(slot, line);
  }
}

void WriteLogLine(ConnectionSlot &slot, const RequestInfo &request, std::uint64_t bytesSent,
                  int statusCode) {
  StoreLogLine(slot, FormatLogLine(slot, request, bytesSent, statusCode));
}

void RecordRequestEnd(ConnectionSlot &slot, RequestInfo &request, int statusCode,
                      std::uint64_t bytesSent) {
  const LoggedStatus status = StatusOf(slot, statusCode);
  SetRowText(slot, kColResponse, status.code + " " + status.text);
  if (slot.settings->logwrite) {
    // Formatting reads only this request, so only the store is serialized.
    const std::string line = FormatLogLine(slot, request, bytesSent, statusCode);
    std::unique_lock<std::mutex> lock;
    if (slot.logLock != nullptr) lock = std::unique_lock(*slot.logLock);
    StoreLogLine(slot, line);
  }
  FreeRequestInfo(request);
  FinishConnectionRow(slot);
  // The slot is free once this returns; nothing after it may read the slot.
  if (slot.pool != nullptr) slot.pool->Return(slot);
}

}  // namespace ruz
