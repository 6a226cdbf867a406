// Receiving the request header without taking any byte of the body, and
// parsing the request line and the known header fields.
#include <array>
#include <chrono>
#include <optional>

#include "common/lines.h"
#include "config/settings.h"
#include "http/status_rows.h"
#include "platform/text_codes.h"
#include "platform/url.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/minimum_rate.h"
#include "http/request_info.h"
#include "http/request_reader.h"

namespace ruz {

namespace {

constexpr std::size_t kMaxHeaderBytes = 65535;
constexpr std::size_t kPeekBytes = 16384;

// The next line of a multi-line text from pos (CR LF, lone CR or lone LF end a
// line); false when no line is left. pos moves behind the line break.
bool NextLine(std::string_view text, std::size_t &pos, std::string_view &line) {
  if (pos >= text.size()) return false;
  std::size_t end = FindLineBreak(text, pos);
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(pos, end - pos);
  pos = end;
  if (pos < text.size() && text[pos] == '\r') ++pos;
  if (pos < text.size() && text[pos] == '\n' && (pos == end || text[pos - 1] == '\r')) ++pos;
  return true;
}

// Optional whitespace around a field value is no part of it.
std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct KnownField {
  const char *name;
  std::string RequestInfo::*field;
};

constexpr std::array<KnownField, 15> kKnownFields{{
    {"Referer", &RequestInfo::referer},
    {"Accept", &RequestInfo::accept},
    {"Accept-Language", &RequestInfo::acceptLanguage},
    {"Content-Type", &RequestInfo::contentType},
    {"Accept-Encoding", &RequestInfo::acceptEncoding},
    {"If-Modified-Since", &RequestInfo::ifModifiedSince},
    {"User-Agent", &RequestInfo::userAgent},
    {"Host", &RequestInfo::host},
    {"Connection", &RequestInfo::connection},
    {"Cookie", &RequestInfo::cookie},
    {"Content-Length", &RequestInfo::contentLength},
    {"Range", &RequestInfo::range},
    {"Authorization", &RequestInfo::authorization},
    {"Expect", &RequestInfo::expect},
    {"Transfer-Encoding", &RequestInfo::transferEncoding},
}};

void PickField(std::string_view line, RequestInfo &request) {
  std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  std::string_view name = line.substr(0, colon);
  const std::string_view value = TrimBlanks(line.substr(colon + 1));
  for (const KnownField &known : kKnownFields) {
    if (EqualsIgnoreCase(name, known.name)) {
      request.*known.field = value;
      return;
    }
  }
}

void SplitRequestLine(RequestInfo &request) {
  std::string_view rest = request.requestLine;
  std::string *words[] = {&request.method, &request.uri, &request.protocol};
  for (std::string *word : words) {
    std::size_t space = rest.find(' ');
    *word = rest.substr(0, space);
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
}

void DecodePath(RequestInfo &request) {
  std::string_view uri = request.uri;
  std::size_t question = uri.find('?');
  std::string_view path = uri.substr(0, question);
  if (question != std::string_view::npos) request.query = uri.substr(question + 1);
  path = path.substr(0, path.find('#'));
  request.path = CanonicalRequestPath(ConvertToCp932Guessing(UrlUnescape(path)));
}

int Fail(ConnectionSlot &slot, const char *utf8Text, int code) {
  SetStatusText(slot, Utf8ToCp932(utf8Text));
  return code;
}

bool GivenUp(const ConnectionSlot &slot) {
  return slot.headerPhase.load(std::memory_order_relaxed) == HeaderPhase::kGivenUp;
}

using Clock = std::chrono::steady_clock;

// Bounds the next receive by what is left of the whole header's time; false
// when nothing is left. A time-out of 0 or less means no limit.
bool ArmReceiveTimeout(ConnectionSlot &slot, int timeoutMs, Clock::time_point deadline) {
  if (timeoutMs <= 0) return true;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return false;
  SetClientReceiveTimeout(slot, static_cast<int>(left.count()));
  return true;
}

// Whether the client may send more than its header: a body it announced.
bool AnnouncesBody(const RequestInfo &request) {
  return !request.transferEncoding.empty() ||
         (!request.contentLength.empty() && request.contentLength != "0");
}

bool IsHttp1Version(std::string_view protocol) {
  return protocol.size() == 8 && protocol.starts_with("HTTP/1.") && protocol[7] >= '0' &&
         protocol[7] <= '9';
}

// A decimal number of at most 18 digits (so it fits every signed 64-bit
// count), nothing else.
bool IsValidLength(std::string_view value) {
  constexpr std::size_t kMaxDigits = 18;
  return !value.empty() && value.size() <= kMaxDigits &&
         value.find_first_not_of("0123456789") == std::string_view::npos;
}

// The tallies of the fields whose repetition or form breaks the framing.
struct FramingFields {
  int hosts = 0;
  std::optional<std::string_view> length;
  bool broken = false;
};

void CheckFieldLine(std::string_view line, FramingFields &fields) {
  const std::size_t colon = line.find(':');
  if (colon == 0 || colon == std::string_view::npos) {
    fields.broken = true;
    return;
  }
  const std::string_view name = line.substr(0, colon);
  if (name.find_first_of(" \t") != std::string_view::npos) {
    fields.broken = true;
    return;
  }
  if (EqualsIgnoreCase(name, "Host")) ++fields.hosts;
  if (EqualsIgnoreCase(name, "Content-Length")) {
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (!IsValidLength(value) || (fields.length && *fields.length != value)) fields.broken = true;
    fields.length = value;
  }
}

}  // namespace

int CheckRequestFraming(std::string_view header, const RequestInfo &request) {
  if (!request.protocol.empty() && !IsHttp1Version(request.protocol)) return 505;
  std::size_t pos = 0;
  std::string_view line;
  NextLine(header, pos, line);  // the request line
  FramingFields fields;
  while (NextLine(header, pos, line) && !line.empty()) CheckFieldLine(line, fields);
  return fields.broken || fields.hosts > 1 ? 400 : 0;
}

std::size_t FindHeaderEnd(std::string_view text, std::size_t checkedUpTo) {
  for (std::size_t end = std::max<std::size_t>(checkedUpTo + 1, 2); end <= text.size(); ++end) {
    std::string_view two = text.substr(end - 2, 2);
    if (two == "\r\r" || two == "\n\n") return end;
    if (end >= 4 && text.substr(end - 4, 4) == "\r\n\r\n") return end;
  }
  return std::string_view::npos;
}

void ParseRequestHeader(std::string_view header, RequestInfo &request) {
  std::size_t pos = 0;
  std::string_view line;
  if (!NextLine(header, pos, line)) return;
  request.requestLine = line;
  SplitRequestLine(request);
  DecodePath(request);
  while (NextLine(header, pos, line)) PickField(line, request);
}

int ReadRequest(ConnectionSlot &slot, RequestInfo &request, std::chrono::milliseconds spent) {
  const int timeoutMs = slot.settings->connecttimeout;
  const Clock::time_point began = Clock::now() - spent;
  Clock::time_point deadline = began + AllowedSendingTime(ClientPart::kHeader, 0, timeoutMs);
  std::string header;
  char piece[kPeekBytes];
  // The receive wait is the whole time at first; later receives (and the
  // first, when time was spent before) get what is left of it.
  bool armed = false;
  for (;;) {
    if (header.size() >= kMaxHeaderBytes) return Fail(slot, "リクエストヘッダ受信エラー", 400);
    if (!header.empty() || spent.count() > 0) {
      if (!ArmReceiveTimeout(slot, timeoutMs, deadline)) return Fail(slot, "接続タイムアウト", 408);
      armed = true;
    }
    MarkAwaitingClient(slot, true);
    RecvResult r = ReceiveFromClient(slot, piece, std::min(sizeof piece, kMaxHeaderBytes - header.size()));
    MarkAwaitingClient(slot, false);
    // A connection told to give up its slot ends as if its time had run out.
    if (r.status == RecvStatus::kTimeout || GivenUp(slot)) return Fail(slot, "接続タイムアウト", 408);
    if (r.status == RecvStatus::kError) return Fail(slot, "相手側で切断", 500);
    if (r.status == RecvStatus::kClosed) return Fail(slot, "リクエストヘッダ受信エラー", 400);
    const std::size_t checked = header.size();
    header.append(piece, r.bytes);
    deadline = began + AllowedSendingTime(ClientPart::kHeader, header.size(), timeoutMs);
    // A zero byte hides everything behind it from the search for the end.
    std::size_t zero = header.find('\0', checked);
    std::size_t end = FindHeaderEnd(std::string_view(header).substr(0, zero), checked);
    if (end == std::string::npos && zero != std::string::npos) {
      return Fail(slot, "リクエストヘッダ受信エラー", 400);
    }
    if (end == std::string::npos) continue;
    // What came after the header is the body (or the next request).
    slot.received.assign(header, end);
    header.resize(end);
    if (!MarkHeaderComplete(slot)) return Fail(slot, "接続タイムアウト", 408);
    if (armed) SetClientReceiveTimeout(slot, timeoutMs);
    ParseRequestHeader(header, request);
    slot.inputMayRemain = !slot.received.empty() || AnnouncesBody(request);
    if (const int code = CheckRequestFraming(header, request); code != 0) {
      slot.inputMayRemain = true;  // what the client meant to send may still be coming
      return Fail(slot, "リクエストが不正です", code);
    }
    if (request.transferEncoding.empty() && !request.contentLength.empty()) {
      slot.bodyLeft = std::stoull(request.contentLength);  // checked: at most 18 digits
    }
    return 0;
  }
}

}  // namespace ruz
