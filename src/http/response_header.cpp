// The status table and the composing and sending of response headers.
#include "http/response_header.h"

#include <cstdio>

#include "common/lines.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"

namespace ruz {

const char *const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char *const kMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {

constexpr std::size_t kMaxStatusText = 127;

struct Reason {
  int code;
  const char *text;
};

constexpr Reason kReasons[] = {
    {200, "OK"},          {206, "Partial Content"},        {302, "Found"},
    {304, "Not Modified"}, {400, "Bad Request"},           {401, "Authorization Required"},
    {403, "Forbidden"},   {404, "Not Found"},              {408, "Request Timeout"}, {411, "Length Required"},
    {429, "Too Many Requests"},     {500, "Internal Server Error"}, {501, "Not Implemented"},
    {505, "HTTP Version Not Supported"},
};

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// The line of text that starts at start: where it ends, and where the next one
// begins (npos after the last line).
struct LineBounds {
  std::size_t end;
  std::size_t next;
};

LineBounds LineFrom(std::string_view text, std::size_t start) {
  const std::size_t lineBreak = FindLineBreak(text, start);
  if (lineBreak == std::string_view::npos) return {text.size(), std::string_view::npos};
  const bool crlf = text[lineBreak] == '\r' && lineBreak + 1 < text.size() && text[lineBreak + 1] == '\n';
  return {lineBreak, lineBreak + (crlf ? 2 : 1)};
}

// Replaces the first block line whose name (the text before its colon) begins
// the new line, letter case ignored; false when no block line does.
bool ReplaceMatchingLine(std::string &block, std::string_view line) {
  for (std::size_t start = 0; start < block.size();) {
    const LineBounds bounds = LineFrom(block, start);
    const std::string_view blockLine = std::string_view(block).substr(start, bounds.end - start);
    const std::size_t k = blockLine.find(':');
    if (k != std::string_view::npos && line.size() >= k &&
        EqualsIgnoreCase(line.substr(0, k), blockLine.substr(0, k))) {
      block.replace(start, bounds.end - start, line);
      return true;
    }
    start = bounds.next;
  }
  return false;
}

// Merges one extra line into the block, or takes it as the status text.
void MergeExtraLine(std::string &block, std::string &statusText, std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  if (StartsWithIgnoreCase(line, "Status:")) {
    std::string_view value = line.substr(7);
    if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    statusText = value.substr(0, kMaxStatusText);
    return;
  }
  if (StartsWithIgnoreCase(line, "Set-Cookie:") || !ReplaceMatchingLine(block, line)) {
    SetLine(block, line, -1, false);
  }
}

std::string ConnectionLineValue(const ResponseFraming &framing, int code) {
  if (!KeepsConnection(framing, code)) return "Close";
  return "keep-alive\r\nKeep-Alive: timeout=" + std::to_string(framing.keepAliveSeconds);
}

bool HasContentLengthLine(std::string_view extra) {
  std::string line;
  for (int n = 0; GetLine(line, extra, n); ++n) {
    if (StartsWithIgnoreCase(line, "Content-Length:")) return true;
  }
  return false;
}

}  // namespace

const char *StatusReason(int code) {
  for (const Reason &r : kReasons) {
    if (r.code == code) return r.text;
  }
  return "";
}

std::string FormatHttpDate(const DateTime &utc) {
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT",
                kDayNames[utc.dayOfWeek % 7], utc.day, kMonthNames[utc.month % 13], utc.year,
                utc.hour, utc.minute, utc.second);
  return text;
}

std::string ComposeResponseHeader(int code, std::string &extra, const DateTime &nowUtc,
                                  const ResponseFraming &framing) {
  std::string block = "Date: " + FormatHttpDate(nowUtc) + "\r\nServer: " + kServerSoftware +
                      "\r\nConnection: " + ConnectionLineValue(framing, code);
  if (framing.body == BodyFraming::kChunked) block += "\r\nTransfer-Encoding: chunked";
  ReplaceAll(extra, "\r\r", "\r");
  ReplaceAll(extra, "\n\n", "\n");
  ReplaceAll(extra, "\r\n\r\n", "\r\n");
  std::string statusText;
  for (std::size_t start = 0; start < extra.size();) {
    const LineBounds bounds = LineFrom(extra, start);
    MergeExtraLine(block, statusText, std::string_view(extra).substr(start, bounds.end - start));
    start = bounds.next;
  }
  if (statusText.empty()) statusText = std::to_string(code) + " " + StatusReason(code);
  return "HTTP/1.1 " + statusText + "\r\n" + block + "\r\n\r\n";
}

bool SendResponseHeader(ConnectionSlot &slot, int code, std::string &extra) {
  slot.headerSent = true;
  ResponseFraming &framing = slot.framing;
  if (framing.keepAliveOffered && framing.body == BodyFraming::kUntilClose &&
      (code == 304 || HasContentLengthLine(extra))) {
    framing.body = BodyFraming::kLength;
  }
  framing.keptInHeader = KeepsConnection(framing, code);
  std::string header = ComposeResponseHeader(code, extra, GetUtcDateTime(), framing);
  constexpr std::string_view kVersion = "HTTP/1.1 ";
  slot.sentStatus = header.substr(kVersion.size(), header.find("\r\n") - kVersion.size());
  return SendToClient(slot, header);
}

}  // namespace ruz
