// Static file delivery: conditional GET, a single byte range, the MIME type and
// the body behind the header.
#include "content/static_file.h"

#include "common/file_cache.h"
#include "config/settings.h"
#include "content/file_body.h"
#include "content/mime_type.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/server_shared.h"
#include "http/request_info.h"
#include "http/response_header.h"

namespace ruz {

std::string FileHeaderLines(std::string_view lastModified, const FileSpan *partial,
                            std::uint64_t size, std::string_view contentType,
                            std::string_view extra) {
  std::string lines;
  if (!lastModified.empty()) {
    lines.append("Last-Modified: ").append(lastModified).append("\r\n");
  }
  std::uint64_t length = size;
  if (partial != nullptr) {
    length = partial->count;
    lines.append("Content-Range: bytes ")
        .append(std::to_string(partial->first))
        .append("-")
        .append(std::to_string(partial->first + partial->count - 1))
        .append("/")
        .append(std::to_string(size))
        .append("\r\n");
  }
  lines.append("Content-Length: ").append(std::to_string(length)).append("\r\n");
  if (!contentType.empty()) lines.append("Content-Type: ").append(contentType).append("\r\n");
  lines.append(extra);
  return lines;
}

bool OpenForSending(std::string_view path, ReadFile &file) {
  file = ReadFile(path);
  if (file.IsOpen() && file.Info().isDirectory) file = ReadFile();
  return file.IsOpen();
}

namespace {

// True when the request's If-Modified-Since matches the file and no range was
// asked for; fills request.lastModified either way.
bool IsNotModified(RequestInfo &request, const FileInfo &info) {
  request.lastModified = FormatHttpDate(UtcFromEpoch(info.mtime));
  return request.lastModified == request.ifModifiedSince && request.range.empty();
}

bool SelectRange(const RequestInfo &request, std::uint64_t size, FileSpan &span) {
  ByteRange range;
  return !request.range.empty() && ParseRange(request.range, range) == 1 &&
         ResolveRange(range, size, span);
}

// The status logged for a body that a stop of the server cut off.
constexpr int kStoppedMidTransfer = 503;

// The status logged for a response that did not reach the client whole: a 200
// becomes 503 when a stop of the server cut it off, 500 otherwise.
int FailedOutcome(const ConnectionSlot &slot, int outcome) {
  if (outcome != 200) return outcome;
  return slot.cutOff.load() ? kStoppedMidTransfer : 500;
}

void ShowOutcome(ConnectionSlot &slot, int outcome) {
  if (outcome == 200) SetStatusText(slot, RUZ_CP932("正常終了"));
  if (outcome == 206) SetStatusText(slot, RUZ_CP932("ファイルの一部を送信しました"));
}

// Where a response's body comes from: the open file, or its content in memory.
struct BodySource {
  ReadFile *file = nullptr;
  const std::string *content = nullptr;
};

bool SendBody(ConnectionSlot &slot, const BodySource &body, const FileSpan &span,
              std::uint64_t &bytesSent, bool progress, std::string_view doneText) {
  if (body.content != nullptr) {
    return SendContentBody(slot, *body.content, span.first, span.count, bytesSent, progress,
                           doneText);
  }
  return SendFileBody(slot, *body.file, span.first, span.count, bytesSent, progress, doneText);
}

int SendFileResponse(ConnectionSlot &slot, RequestInfo &request, std::string_view extra,
                     std::string_view path, const FileInfo &info, const BodySource &body,
                     std::uint64_t &bytesSent, int code, bool conditional, bool useRange) {
  std::string_view lastModified;
  if (conditional) {
    if (IsNotModified(request, info)) {
      SetStatusText(slot, RUZ_CP932("ドキュメント未更新"));
      return 304;
    }
    lastModified = request.lastModified;
  }
  FileSpan span{0, info.size};
  const bool partial = useRange && SelectRange(request, info.size, span);
  int outcome = partial ? 206 : code;
  std::string lines = FileHeaderLines(lastModified, partial ? &span : nullptr, info.size,
                                      ContentTypeFor(*slot.settings, path), extra);
  const bool bodyFollows = request.method != "HEAD";
  if (bodyFollows) HoldNextSend(slot);
  if (!SendResponseHeader(slot, outcome, lines)) {
    SetStatusText(slot, RUZ_CP932("相手側で切断"));
    return FailedOutcome(slot, outcome);
  }
  if (!bodyFollows) {
    ShowOutcome(slot, outcome);
    return outcome;
  }
  // With progress texts (200), "正常終了" goes out in the step of the last one.
  const bool progress = outcome == 200;
  const bool sent = SendBody(slot, body, span, bytesSent, progress,
                             progress ? RUZ_CP932("正常終了") : std::string_view());
  if (!sent && outcome == 200) return FailedOutcome(slot, outcome);
  if (!progress) ShowOutcome(slot, outcome);
  return outcome;
}

}  // namespace

int SendOpenFile(ConnectionSlot &slot, RequestInfo &request, std::string_view extra,
                 std::string_view path, ReadFile &file, std::uint64_t &bytesSent, int code,
                 bool conditional, bool useRange) {
  return SendFileResponse(slot, request, extra, path, file.Info(), BodySource{&file, nullptr},
                          bytesSent, code, conditional, useRange);
}

int SendFile(ConnectionSlot &slot, RequestInfo &request, std::string extra,
             std::string_view filePath, std::uint64_t &bytesSent, int code, bool conditional,
             bool useRange) {
  const std::string path(filePath.empty() ? std::string_view(request.localPath) : filePath);
  if (slot.shared != nullptr && slot.shared->files != nullptr) {
    const CachedFile cached = slot.shared->files->Look(path);
    if (cached.content != nullptr) {
      return SendFileResponse(slot, request, extra, path, cached.info,
                              BodySource{nullptr, cached.content.get()}, bytesSent, code,
                              conditional, useRange);
    }
  }
  ReadFile file;
  if (!OpenForSending(path, file)) {
    SetStatusText(slot, RUZ_CP932("ファイルオープンエラー"));
    return 500;
  }
  return SendOpenFile(slot, request, extra, path, file, bytesSent, code, conditional, useRange);
}

}  // namespace ruz
