// Server-side includes: the document read, its header sent, its directives
// replaced on the way to the client.
#include "ssi/ssi.h"

#include <algorithm>

#include "cgi/environment_block.h"
#include "config/settings.h"
#include "content/file_body.h"
#include "content/mime_type.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"
#include "http/request_info.h"
#include "http/response_header.h"
#include "ssi/document.h"

namespace ruz {

namespace {

constexpr std::size_t kReadPiece = 65536;

// Text and small included files are gathered up to this much and go out
// together (a page of text and includes in one send); a program's output
// never waits behind them.
constexpr std::size_t kGatherLimit = 16384;

// The connection's socket, counting every byte that reaches it.
class SlotOutput : public SsiOutput {
 public:
  SlotOutput(ConnectionSlot &slot, std::uint64_t &bytesSent) : slot_(slot), bytesSent_(bytesSent) {}

  bool Send(std::string_view bytes) override {
    if (gathered_.size() + bytes.size() <= kGatherLimit) {
      gathered_.append(bytes);
      return true;
    }
    return Flush() && SendNow(bytes);
  }

  bool SendFile(ReadFile &file, std::uint64_t size) override {
    if (gathered_.size() + size <= kGatherLimit && GatherFile(file, static_cast<std::size_t>(size))) {
      return true;
    }
    return Flush() && SendFileBody(slot_, file, 0, size, bytesSent_, false);
  }

  RunResult Run(const SsiProgram &program, const EnvironmentBlock &environment) override {
    if (!Flush()) return RunResult::kRunClientGone;
    return RunChildProcess(slot_, program.arguments, program.workingDirectory, environment,
                           bytesSent_, RequestBody{}, program.headerMode);
  }

  /// Sends what has been gathered; false when the send failed.
  bool Flush() {
    if (gathered_.empty()) return true;
    const bool sent = SendNow(gathered_);
    gathered_.clear();
    return sent;
  }

 private:
  bool SendNow(std::string_view bytes) {
    if (!SendBodyToClient(slot_, bytes)) return false;
    bytesSent_ += bytes.size();
    return true;
  }

  // The whole file into the gathered output; false (nothing gathered) when a
  // read fails or comes short.
  bool GatherFile(ReadFile &file, std::size_t size) {
    const std::size_t before = gathered_.size();
    gathered_.resize(before + size);
    if (file.ReadAt(gathered_.data() + before, size, 0) == static_cast<long long>(size)) return true;
    gathered_.resize(before);
    return false;
  }

  ConnectionSlot &slot_;
  std::uint64_t &bytesSent_;
  std::string gathered_;
};

// At most limit bytes (limit 0: the whole file); the text ends at its first
// zero byte. False when the file cannot be read.
bool ReadDocumentText(ReadFile &file, std::uint64_t limit, std::string &text) {
  std::uint64_t wanted = file.Info().size;
  if (limit > 0 && limit < wanted) wanted = limit;
  text.resize(wanted);
  std::uint64_t filled = 0;
  while (filled < wanted) {
    const std::uint64_t piece = std::min<std::uint64_t>(wanted - filled, kReadPiece);
    const long long got = file.Read(text.data() + filled, static_cast<std::size_t>(piece));
    if (got < 0) return false;
    if (got == 0) break;
    filled += static_cast<std::uint64_t>(got);
  }
  text.resize(filled);
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return true;
}

// A body that stopped part-way: the connection ends with it.
SsiResult CutShort(ConnectionSlot &slot) {
  slot.framing.body = BodyFraming::kUntilClose;
  SetStatusText(slot, RUZ_CP932("相手側で切断"));
  return SsiResult::kCutShort;
}

std::uint64_t SizeLimit(const ServerSettings &settings) {
  return settings.ssisizelimit > 0 ? static_cast<std::uint64_t>(settings.ssisizelimit) : 0;
}

}  // namespace

SsiResult SendSsiDocument(ConnectionSlot &slot, RequestInfo &request, std::uint64_t &bytesSent) {
  bytesSent = 0;
  // The page's type comes from its extension, as a static file's does.
  std::string extra = "Content-Type: " + ContentTypeFor(*slot.settings, request.localPath) +
                      "\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n";
  // The length is known only at the end: chunks for an HTTP/1.1 client on a
  // connection that may be kept, else the end of the connection.
  if (slot.framing.keepAliveOffered && slot.framing.chunkedAllowed) {
    slot.framing.body = BodyFraming::kChunked;
  }
  HoldNextSend(slot);
  if (!SendResponseHeader(slot, 200, extra)) return CutShort(slot);
  if (request.method == "HEAD") {  // the header a GET gets; nothing is run
    SetStatusText(slot, RUZ_CP932("正常終了"));
    return SsiResult::kSent;
  }

  ReadFile file(request.localPath);
  std::string text;
  if (!file.IsOpen() || !ReadDocumentText(file, SizeLimit(*slot.settings), text)) {
    slot.framing.body = BodyFraming::kUntilClose;  // the body is cut short
    SetStatusText(slot, RUZ_CP932("ファイルオープンエラー"));
    return SsiResult::kUnreadable;
  }
  SetStatusText(slot, RUZ_CP932("SSI実行中..."));

  SlotOutput output(slot, bytesSent);
  SsiDocument document;
  document.output = &output;
  document.slot = &slot;
  document.request = &request;
  document.shared = slot.shared;
  document.file = &file;
  const std::string_view localPath = request.localPath;
  document.directory = PathRemoveFileSpec(localPath.substr(0, kPathCapacity));
  BuildCgiEnvironment(document.variables, slot, request, false);

  const bool wholeText = ProcessSsiText(document, text);
  if (!output.Flush() || !wholeText || !EndBodyToClient(slot)) return CutShort(slot);
  SetStatusText(slot, RUZ_CP932("正常終了"));
  return SsiResult::kSent;
}

}  // namespace ruz
