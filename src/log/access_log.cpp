// The access log: the line in the operator's format, and its store.
#include "log/access_log.h"

#include <algorithm>
#include <cstdio>

#include "common/expand_token.h"
#include "log/log_escape.h"
#include "common/format_time.h"
#include "common/lines.h"
#include "platform/text_codes.h"
#include "http/connection_slot.h"
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

// The tokens of a log format, in the order they are expanded.
enum class LogToken {
  kIp, kHost, kMethodUrl, kMethod, kUrl, kProtocol, kFilePath, kQuery, kReferer, kUa,
  kYear, kMonth, kDay, kHour, kMin, kSec, kMonthString, kWeekString, kBytes,
  kResponseCode, kResponseText,
};

constexpr const char *kTokenNames[] = {
    "%ip%", "%host%", "%methodurl%", "%method%", "%url%", "%protocol%", "%filepath%",
    "%query%", "%referer%", "%ua%", "%year%", "%month%", "%day%", "%hour%", "%min%", "%sec%",
    "%monthstring%", "%weekstring%", "%bytesd%", "%responsecode%", "%responsetext%",
};

// Every text a client chose is escaped, so no request can forge a field or
// a line, or send escape sequences to a terminal showing the log.
std::string TokenValue(LogToken token, const RequestInfo &request, const DateTime &t,
                       std::uint64_t bytesSent, const LoggedStatus &status) {
  switch (token) {
    case LogToken::kIp: return request.remoteAddr;
    case LogToken::kHost: return request.remoteHost;
    case LogToken::kMethodUrl: return EscapeLogText(request.requestLine);
    case LogToken::kMethod: return EscapeLogText(request.method);
    case LogToken::kUrl: return EscapeLogText(request.uri);
    case LogToken::kProtocol: return EscapeLogText(request.protocol);
    case LogToken::kFilePath: return EscapeLogText(request.localPath);
    case LogToken::kQuery: return EscapeLogText(request.query);
    case LogToken::kReferer: return EscapeLogText(request.referer);
    case LogToken::kUa: return EscapeLogText(request.userAgent);
    case LogToken::kYear: return FourDigits(t.year);
    case LogToken::kMonth: return TwoDigits(t.month);
    case LogToken::kDay: return TwoDigits(t.day);
    case LogToken::kHour: return TwoDigits(t.hour);
    case LogToken::kMin: return TwoDigits(t.minute);
    case LogToken::kSec: return TwoDigits(t.second);
    case LogToken::kMonthString: return ShortName("%b", t);
    case LogToken::kWeekString: return ShortName("%a", t);
    case LogToken::kBytes: return std::to_string(bytesSent);
    case LogToken::kResponseCode: return EscapeLogText(status.code);
    case LogToken::kResponseText: return EscapeLogText(status.text);
  }
  return {};
}

// Marks where a token's value goes while a format is compiled: bytes that no
// token name contains, so one expansion never completes another.
constexpr char kMark = '\x01';

std::string Marker(std::size_t token) { return {kMark, static_cast<char>('A' + token), kMark}; }

}  // namespace

LogFormat CompileLogFormat(std::string_view format) {
  LogFormat compiled;
  if (format.find(kMark) != std::string_view::npos) {
    compiled.segments.push_back({std::string(format), -1});  // left as the operator wrote it
    return compiled;
  }
  // The tokens are expanded one after the other, as ExpandToken always has,
  // with marks standing in for the values; then "%%" becomes "%".
  std::string text(format);
  for (std::size_t i = 0; i < std::size(kTokenNames); ++i) ExpandToken(text, kTokenNames[i], Marker(i));
  ReplaceAll(text, "%%", "%");
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t mark = text.find(kMark, pos);
    if (mark != pos) {
      compiled.segments.push_back({text.substr(pos, mark - pos), -1});
      if (mark == std::string::npos) break;
    }
    compiled.segments.push_back({{}, text[mark + 1] - 'A'});
    pos = mark + 3;
  }
  return compiled;
}

LoggedStatus LoggedStatusOf(const ConnectionSlot &slot, int statusCode) {
  const std::string &sent = slot.sentStatus;
  constexpr int kFirstErrorCode = 400;
  if (sent.empty() || statusCode >= kFirstErrorCode) {
    return {std::to_string(statusCode), StatusReason(statusCode)};
  }
  const std::size_t space = sent.find(' ');
  if (space == std::string::npos) return {sent, ""};
  return {sent.substr(0, space), sent.substr(space + 1)};
}

std::string FormatLogLine(const LogFormat &format, const ConnectionSlot &slot,
                          const RequestInfo &request, std::uint64_t bytesSent, int statusCode) {
  const DateTime t = slot.startTime != nullptr ? *slot.startTime : GetLocalDateTime();
  const LoggedStatus status = LoggedStatusOf(slot, statusCode);
  std::string line;
  for (const LogSegment &segment : format.segments) {
    if (segment.token < 0) {
      line += segment.literal;
    } else {
      line += TokenValue(static_cast<LogToken>(segment.token), request, t, bytesSent, status);
    }
  }
  line += "\r\n";
  return line;
}

std::string FormatLogLine(const ConnectionSlot &slot, const RequestInfo &request,
                          std::uint64_t bytesSent, int statusCode) {
  return FormatLogLine(CompileLogFormat(slot.settings->logformat), slot, request, bytesSent,
                       statusCode);
}

// A file opened anew is made private before any line goes into it, so no
// request finds lines in a log not yet known as private.
AccessLog::AccessLog(const ServerSettings &settings, PrivateFileSet *privateFiles)
    : file_(ExeRelativePath(settings.logname), AppendingFile::kDefaultCheckInterval,
            [privateFiles](const FileInfo &opened) {
              if (privateFiles != nullptr) privateFiles->AddLogFile(opened);
            }),
      format_(CompileLogFormat(settings.logformat)),
      buffered_(settings.mem != 0),
      capacity_(static_cast<std::size_t>(std::max(settings.bufmax, 0))) {}

void AccessLog::Store(const std::string &line) {
  std::unique_lock lock(mutex_);
  if (!buffered_) {
    WriteToFile(lock, line);
  } else if (std::string full = BufferLine(line); !full.empty()) {
    WriteToFile(lock, std::move(full));
  }
}

// The file is written outside the lock: a thread that finds another one
// writing leaves its bytes to it, and the writer takes what has gathered
// meanwhile with its next write, so threads never wait on each other's disk
// writes and the lines keep their order.
void AccessLog::WriteToFile(std::unique_lock<std::mutex> &lock, std::string bytes) {
  toWrite_ += bytes;
  if (writing_) return;
  writing_ = true;
  std::string batch;
  while (!toWrite_.empty()) {
    batch.swap(toWrite_);
    lock.unlock();
    file_.Append(batch);
    batch.clear();
    lock.lock();
  }
  writing_ = false;
  written_.notify_all();
}

// The buffer never holds more than capacity - 1 bytes; what does not fit goes
// to the file (returned), and a line longer than the whole buffer goes there
// directly.
std::string AccessLog::BufferLine(const std::string &line) {
  if (capacity_ >= buffer_.size() + line.size() + 1) {
    buffer_ += line;
    return {};
  }
  std::string full;
  full.swap(buffer_);
  if (capacity_ >= line.size() + 1) {
    buffer_ = line;
  } else {
    full += line;
  }
  return full;
}

void AccessLog::WriteOutBuffer() {
  std::unique_lock lock(mutex_);
  std::string rest;
  rest.swap(buffer_);
  WriteToFile(lock, std::move(rest));
  written_.wait(lock, [this] { return !writing_; });
}

std::string AccessLog::BufferedText() const {
  std::lock_guard lock(mutex_);
  return buffer_;
}

}  // namespace ruz
