// The body of a file response: 64 KiB pieces straight from the file to the
// socket, with progress texts and the configured pause after every full piece.
#include <algorithm>
#include <chrono>
#include <thread>

#include "config/settings.h"
#include "content/static_file.h"
#include "log/status_rows.h"
#include "platform/files.h"
#include "platform/text_codes.h"
#include "server/context.h"

namespace ruz {

namespace {

constexpr std::uint64_t kPieceSize = 65536;

// Bytes the file still holds at offset (0 at or past its end).
std::uint64_t BytesLeftInFile(const ReadFile &file, std::uint64_t offset) {
  std::uint64_t size = file.Info().size;
  return size > offset ? size - offset : 0;
}

void ShowProgress(ConnectionSlot &slot, std::uint64_t bytesSent) {
  SetStatusText(slot, RUZ_CP932("ファイル送信中... ") + std::to_string(bytesSent) + "Bytes");
}

void PauseAfterPiece(const ConnectionSlot &slot) {
  int wait = slot.settings != nullptr ? slot.settings->sendwait : 0;
  if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
}

}  // namespace

int SendFileBody(ConnectionSlot &slot, ReadFile &file, std::uint64_t first, std::uint64_t count,
                 std::uint64_t &bytesSent, bool showProgress) {
  std::uint64_t offset = first;
  std::uint64_t remaining = count;
  for (;;) {
    // A piece shorter than 64 KiB is the last one: the end of the range, or
    // the end of a file that is shorter than announced.
    std::uint64_t piece = std::min({kPieceSize, remaining, BytesLeftInFile(file, offset)});
    if (piece > 0 && !slot.socket.SendFileRange(file.Descriptor(), offset, piece)) {
      if (showProgress) {
        // A file that shrank under us failed on the read side; otherwise the
        // peer has gone.
        bool readFailed = BytesLeftInFile(file, offset) < piece;
        SetStatusText(slot, readFailed ? RUZ_CP932("ファイルアクセスエラー")
                                       : RUZ_CP932("相手側で切断"));
      }
      return 0;
    }
    bytesSent += piece;
    if (showProgress) ShowProgress(slot, bytesSent);
    if (piece < kPieceSize) return 1;
    offset += piece;
    remaining -= piece;
    PauseAfterPiece(slot);
  }
}

}  // namespace ruz
