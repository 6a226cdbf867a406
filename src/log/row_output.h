// The status rows as terminal lines, for the headless front end.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "http/status_table.h"

namespace ruz {

/// UTF-8 text with every control character written as \xNN (bytes 0x00-0x1F and
/// 0x7F, and the two bytes of U+0080-U+009F), so a request cannot drive the
/// operator's terminal and a tab can never split a cell.
std::string EscapeControlBytes(std::string_view utf8);

/// The six cells of a CP932 row as one UTF-8 line, tab-separated, without a
/// line end.
std::string RowLine(const StatusRow &row);

/// The line for rows that could not be printed: "(N rows not shown)".
std::string RowsNotShownLine(std::uint64_t count);

/// Prints every finished row of a status table to an output descriptor, one
/// line each in the order the rows finished, from a thread of its own, so
/// output that blocks never slows a connection. A row finishes after its log
/// line is written, so a reader of the lines finds each printed request in
/// the log. While the output blocks, rows that fall out of the table are
/// dropped and counted, and one line says how many once it drains. Output
/// whose reader has gone ends the printing; serving goes on.
class RowPrinter {
 public:
  RowPrinter(StatusTable &table, int outputFd);
  ~RowPrinter();  // Stop with a short grace
  RowPrinter(const RowPrinter &) = delete;
  RowPrinter &operator=(const RowPrinter &) = delete;

  /// Prints the rows finished by now, waiting at most grace for room in the
  /// output, and ends the thread.
  void Stop(std::chrono::milliseconds grace);

 private:
  void Run();
  void PrintChanges(const StatusChanges &changes);
  // Writes whole lines; false when they could not all be written (output
  // closed, or blocked past the stop's deadline).
  bool Print(std::string lines);

  // Waits a short while between batches (or until Stop), so a busy server's
  // rows are taken many at a time instead of waking the printer per row.
  void PauseBetweenBatches();

  StatusTable &table_;
  const int fd_;
  std::atomic<bool> stopping_{false};
  std::mutex pauseMutex_;
  std::condition_variable pauseEnded_;
  std::atomic<std::chrono::steady_clock::time_point> deadline_{};
  bool closed_ = false;               // printer thread only
  std::uint64_t notShown_ = 0;        // printer thread only
  std::thread thread_;
};

}  // namespace ruz
