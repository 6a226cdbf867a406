// The body of a file response: 64 KiB pieces read from the file (or taken from
// its content in memory) and sent, with progress texts and the configured pause
// after every full piece.
#include "content/file_body.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "config/settings.h"
#include "http/status_rows.h"
#include "platform/files.h"
#include "platform/text_codes.h"
#include "http/client_stream.h"
#include "http/connection_slot.h"

namespace ruz {

namespace {

constexpr std::size_t kPieceSize = 65536;

std::string ProgressText(std::uint64_t bytesSent) {
  return RUZ_CP932("ファイル送信中... ") + std::to_string(bytesSent) + "Bytes";
}

// The last progress text, and the caller's closing text right after it in the
// same step on the owner thread.
void ShowLastProgress(ConnectionSlot &slot, std::uint64_t bytesSent, std::string_view doneText) {
  const std::string progress = ProgressText(bytesSent);
  if (doneText.empty()) {
    SetStatusText(slot, progress);
  } else {
    SetRowTexts(slot, {{kColStatus, progress}, {kColStatus, doneText}});
  }
}

// Reads until size bytes or the end of the file; -1 when a read fails.
long long ReadPiece(ReadFile &file, char *buffer, std::size_t size, std::uint64_t offset) {
  std::size_t filled = 0;
  while (filled < size) {
    long long got = file.ReadAt(buffer + filled, size - filled, offset + filled);
    if (got < 0) return -1;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  return static_cast<long long>(filled);
}

void PauseAfterPiece(ConnectionSlot &slot) {
  int wait = slot.settings != nullptr ? slot.settings->sendwait : 0;
  if (wait > 0) PauseBetweenPieces(slot, std::chrono::milliseconds(wait));
}

// Sends [first, first + count) piece by piece; piece(offset, want, bytes)
// gives up to want bytes at offset (fewer only at the end), false when they
// cannot be read.
template <typename PieceSource>
bool SendPieces(ConnectionSlot &slot, PieceSource piece, std::uint64_t first, std::uint64_t count,
                std::uint64_t &bytesSent, bool showProgress, std::string_view doneText) {
  std::uint64_t remaining = count;
  const std::uint64_t bodySize = bytesSent + count;
  for (;;) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, remaining));
    std::string_view bytes;
    if (!piece(first + (count - remaining), want, bytes)) {
      if (showProgress) SetStatusText(slot, RUZ_CP932("ファイルアクセスエラー"));
      return false;
    }
    if (!bytes.empty() && !SendBodyToClient(slot, bytes)) {
      // A stop that cut the transfer off is the server's doing, not the client's.
      if (showProgress) {
        SetStatusText(slot, slot.cutOff.load() ? RUZ_CP932("停止のため切断")
                                               : RUZ_CP932("相手側で切断"));
      }
      return false;
    }
    bytesSent += bytes.size();
    // A short piece is the last: the end of the range or of the file.
    if (bytes.size() < kPieceSize) {
      if (showProgress) ShowLastProgress(slot, bytesSent, doneText);
      return true;
    }
    if (showProgress) SetProgressText(slot, ProgressText(bytesSent), {bytesSent, bodySize});
    remaining -= bytes.size();
    PauseAfterPiece(slot);
  }
}

}  // namespace

// The pieces are read and sent with SendToClient rather than sendfile: sendfile
// cannot be told not to raise SIGPIPE, and a client that goes away must never
// end the server. The read also tells a file error from a peer that left.
bool SendFileBody(ConnectionSlot &slot, ReadFile &file, std::uint64_t first, std::uint64_t count,
                  std::uint64_t &bytesSent, bool showProgress, std::string_view doneText) {
  // Left uninitialized: every byte sent has been read into it first.
  auto buffer = std::make_unique_for_overwrite<char[]>(
      static_cast<std::size_t>(std::clamp<std::uint64_t>(count, 1, kPieceSize)));
  auto read = [&](std::uint64_t offset, std::size_t want, std::string_view &bytes) {
    const long long got = ReadPiece(file, buffer.get(), want, offset);
    if (got < 0) return false;
    bytes = std::string_view(buffer.get(), static_cast<std::size_t>(got));
    return true;
  };
  return SendPieces(slot, read, first, count, bytesSent, showProgress, doneText);
}

bool SendContentBody(ConnectionSlot &slot, std::string_view content, std::uint64_t first,
                     std::uint64_t count, std::uint64_t &bytesSent, bool showProgress,
                     std::string_view doneText) {
  auto take = [&](std::uint64_t offset, std::size_t want, std::string_view &bytes) {
    bytes = offset < content.size() ? content.substr(static_cast<std::size_t>(offset), want)
                                    : std::string_view();
    return true;
  };
  return SendPieces(slot, take, first, count, bytesSent, showProgress, doneText);
}

}  // namespace ruz
