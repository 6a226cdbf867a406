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

}  // namespace

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

std::string FormatLogLine(const ConnectionSlot &slot, const RequestInfo &request,
                          std::uint64_t bytesSent, int statusCode) {
  const DateTime t = slot.startTime != nullptr ? *slot.startTime : GetLocalDateTime();
  std::string line = slot.settings->logformat + "\r\n";
  ExpandAll(line, request, t, bytesSent, LoggedStatusOf(slot, statusCode));
  ReplaceAll(line, "%%", "%");
  return line;
}

// A file opened anew is made private before any line goes into it, so no
// request finds lines in a log not yet known as private.
AccessLog::AccessLog(const ServerSettings &settings, PrivateFileSet *privateFiles)
    : file_(ExeRelativePath(settings.logname), AppendingFile::kDefaultCheckInterval,
            [privateFiles](const FileInfo &opened) {
              if (privateFiles != nullptr) privateFiles->AddLogFile(opened);
            }),
      buffered_(settings.mem != 0),
      capacity_(static_cast<std::size_t>(std::max(settings.bufmax, 0))) {}

void AccessLog::Store(const std::string &line) {
  std::lock_guard lock(mutex_);
  if (buffered_) {
    BufferLine(line);
  } else {
    file_.Append(line);
  }
}

// The buffer never holds more than capacity - 1 bytes; what does not fit goes
// to the file, and a line longer than the whole buffer goes there directly.
void AccessLog::BufferLine(const std::string &line) {
  if (capacity_ >= buffer_.size() + line.size() + 1) {
    buffer_ += line;
    return;
  }
  if (!buffer_.empty()) file_.Append(buffer_);
  buffer_.clear();
  if (capacity_ >= line.size() + 1) {
    buffer_ = line;
  } else {
    file_.Append(line);
  }
}

void AccessLog::WriteOutBuffer() {
  std::lock_guard lock(mutex_);
  if (!buffer_.empty()) file_.Append(buffer_);
  buffer_.clear();
}

std::string AccessLog::BufferedText() const {
  std::lock_guard lock(mutex_);
  return buffer_;
}

}  // namespace ruz
