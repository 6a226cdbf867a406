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
  if (request.range.empty()) return false;
  const std::optional<ByteRange> range = ParseRange(request.range);
  return range && ResolveRange(*range, size, span);
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

// options.path is set: it names the file for its content type.
int SendFileResponse(ConnectionSlot &slot, RequestInfo &request, const SendFileOptions &options,
                     const FileInfo &info, const BodySource &body, std::uint64_t &bytesSent) {
  std::string_view lastModified;
  if (options.conditional) {
    if (IsNotModified(request, info)) {
      SetStatusText(slot, RUZ_CP932("ドキュメント未更新"));
      return 304;
    }
    lastModified = request.lastModified;
  }
  FileSpan span{0, info.size};
  const bool partial = options.useRange && SelectRange(request, info.size, span);
  int outcome = partial ? 206 : options.code;
  std::string lines =
      FileHeaderLines(lastModified, partial ? &span : nullptr, info.size,
                      ContentTypeFor(*slot.settings, options.path), options.extra);
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

int SendOpenFile(ConnectionSlot &slot, RequestInfo &request, ReadFile &file,
                 const SendFileOptions &options, std::uint64_t &bytesSent) {
  return SendFileResponse(slot, request, options, file.Info(), BodySource{&file, nullptr},
                          bytesSent);
}

int SendFile(ConnectionSlot &slot, RequestInfo &request, const SendFileOptions &options,
             std::uint64_t &bytesSent) {
  const std::string path(options.path.empty() ? request.localPath : options.path);
  SendFileOptions resolved = options;
  resolved.path = path;
  if (slot.shared != nullptr && slot.shared->files != nullptr) {
    const CachedFile cached = slot.shared->files->Look(path);
    if (cached.content != nullptr) {
      return SendFileResponse(slot, request, resolved, cached.info,
                              BodySource{nullptr, cached.content.get()}, bytesSent);
    }
  }
  ReadFile file;
  if (!OpenForSending(path, file)) {
    SetStatusText(slot, RUZ_CP932("ファイルオープンエラー"));
    return 500;
  }
  return SendOpenFile(slot, request, file, resolved, bytesSent);
}

}  // namespace ruz
