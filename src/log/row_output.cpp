// The status rows as terminal lines.
#include "log/row_output.h"

#include <algorithm>
#include <cstdio>

#include "platform/events.h"
#include "platform/text_codes.h"

namespace ruz {

namespace {

using Clock = std::chrono::steady_clock;

// How often a printer waiting for changes or for room in its output looks
// whether it should stop.
constexpr int kCheckMs = 100;
// The shortest time between two batches of rows (about 30 a second).
constexpr std::chrono::milliseconds kBatchInterval{33};
// Finished rows waiting to be printed, at most; past it rows are dropped and
// counted (an output that blocks).
constexpr std::size_t kQueuedRows = 4096;
// A batch at least this large is taken as a sign of falling behind.
constexpr std::size_t kCatchUpRows = 100;

void AppendEscaped(std::string &out, unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", byte);
  out += text;
}

}  // namespace

std::string EscapeControlBytes(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x20 || c == 0x7F) {
      AppendEscaped(out, c);
    } else if (c == 0xC2 && i + 1 < utf8.size() &&
               static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      AppendEscaped(out, c);
      AppendEscaped(out, static_cast<unsigned char>(utf8[++i]));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string RowLine(const StatusRow &row) {
  std::string line;
  for (int column = 0; column < kStatusColumns; ++column) {
    if (column > 0) line += '\t';
    line += EscapeControlBytes(Cp932ToUtf8(row.cells[static_cast<std::size_t>(column)]));
  }
  return line;
}

std::string RowsNotShownLine(std::uint64_t count) {
  return "(" + std::to_string(count) + " rows not shown)";
}

RowPrinter::RowPrinter(StatusTable &table, int outputFd) : table_(table), fd_(outputFd) {
  table_.KeepFinishedRows(kQueuedRows);
  thread_ = std::thread([this] { Run(); });
}

RowPrinter::~RowPrinter() { Stop(std::chrono::milliseconds(kCheckMs)); }

void RowPrinter::Stop(std::chrono::milliseconds grace) {
  if (!thread_.joinable()) return;
  deadline_.store(Clock::now() + grace);
  {
    std::lock_guard lock(pauseMutex_);
    stopping_.store(true);
  }
  pauseEnded_.notify_all();
  table_.Interrupt();
  thread_.join();
}

void RowPrinter::Run() {
  while (!closed_) {
    const bool last = stopping_.load();
    if (!last) table_.WaitForChanges(kCheckMs);
    const StatusChanges changes = table_.TakeChanges();
    PrintChanges(changes);
    if (last) return;
    // A large batch means the printer is behind: it goes on at once.
    if (changes.finished.size() < kCatchUpRows) PauseBetweenBatches();
  }
}

void RowPrinter::PauseBetweenBatches() {
  std::unique_lock lock(pauseMutex_);
  pauseEnded_.wait_for(lock, kBatchInterval, [this] { return stopping_.load(); });
}

void RowPrinter::PrintChanges(const StatusChanges &changes) {
  notShown_ += changes.finishedUnseen;
  std::string lines;
  for (const StatusRow &row : changes.finished) {
    lines += RowLine(row);
    lines += '\n';
  }
  if (notShown_ > 0 && Print(RowsNotShownLine(notShown_) + '\n')) notShown_ = 0;
  // Rows after a gap that could not be reported wait for the report.
  const std::uint64_t rows = changes.finished.size();
  if (rows > 0 && (notShown_ > 0 || !Print(std::move(lines)))) notShown_ += rows;
}

bool RowPrinter::Print(std::string lines) {
  if (closed_) return false;
  std::string_view rest = lines;
  for (;;) {
    // While stopping, the wait for room ends at the deadline.
    int waitMs = kCheckMs;
    if (stopping_.load()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline_.load() - Clock::now());
      waitMs = static_cast<int>(std::clamp<long long>(left.count(), 0, kCheckMs));
    }
    const OutputStatus status = WriteToOutput(fd_, rest, waitMs);
    if (status == OutputStatus::kWritten) return true;
    if (status == OutputStatus::kClosed) {
      closed_ = true;
      return false;
    }
    if (stopping_.load() && waitMs == 0) return false;
  }
}

}  // namespace ruz
