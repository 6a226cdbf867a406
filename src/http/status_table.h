// The status list: one row per connection, newest first, at most 500 rows,
// written in place by connection threads and observed by a front end through
// a change feed.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ruz {

inline constexpr int kStatusColumns = 6;
inline constexpr int kStatusRowLimit = 500;

enum StatusColumn {
  kColHost = 0,
  kColStart = 1,
  kColStatus = 2,
  kColMethod = 3,
  kColPath = 4,
  kColResponse = 5
};

/// Rows are numbered from 1 in the order they were added; 0 is no row.
using RowId = std::uint64_t;

/// A cell of a row and its CP932 text.
struct RowCell {
  int column;
  std::string_view text;
};

/// How far the body of a response has gone out; size 0 while none is sent.
struct BodyProgress {
  std::uint64_t sent = 0;
  std::uint64_t size = 0;
};

/// A row as a front end sees it. Texts are CP932.
struct StatusRow {
  RowId id = 0;
  std::array<std::string, kStatusColumns> cells;
  BodyProgress body;  // written with the status cell's progress texts
  bool finished = false;  // its response cell is set and its log line written
};

/// What changed since the last TakeChanges.
struct StatusChanges {
  std::vector<StatusRow> rows;  // changed rows still in the table, oldest first
  /// Copies of the rows that finished since the last take, in the order they
  /// finished (kept only with a finished-row queue, see KeepFinishedRows).
  std::vector<StatusRow> finished;
  RowId newest = 0;  // the newest row's id; rows at or below newest - 500 are gone
  /// Finished rows that overflowed the queue before anybody took them.
  std::uint64_t finishedUnseen = 0;
};

class StatusTable {
 public:
  StatusTable() = default;
  StatusTable(const StatusTable &) = delete;
  StatusTable &operator=(const StatusTable &) = delete;

  /// Adds a row at the top with the host text and the cells; the oldest row
  /// falls out when there are more than kStatusRowLimit.
  RowId AddRow(std::string_view host, std::initializer_list<RowCell> cells = {});
  /// Sets cells of a row in order; nothing when the row has fallen out.
  void SetCells(RowId row, std::initializer_list<RowCell> cells);
  /// SetCells, and the body's progress with them in the same change.
  void SetCells(RowId row, std::initializer_list<RowCell> cells, BodyProgress body);
  /// Marks the row finished (after its response cell and its log line).
  void FinishRow(RowId row);

  /// Keeps a copy of every finished row until it is taken, at most limit of
  /// them (older ones are dropped and counted), independent of the 500 rows
  /// shown. 0, the default, keeps none. Set before any row is written.
  void KeepFinishedRows(std::size_t limit);

  /// A copy of a row; id 0 when it is not in the table.
  StatusRow Row(RowId row) const;
  /// The rows in the table, newest first.
  std::vector<StatusRow> Rows() const;

  /// Every change since the previous call (any thread, one consumer).
  StatusChanges TakeChanges();
  /// Waits at most timeoutMs for a change that has not been taken; true when
  /// one is waiting (or Interrupt was called).
  bool WaitForChanges(int timeoutMs);
  /// Wakes WaitForChanges.
  void Interrupt();
  /// Called (outside the lock, on the writing thread) when the first change
  /// after a take arrives, so a front end can schedule one batch for many
  /// changes. Set before any row is written.
  void SetChangeCallback(std::function<void()> callback);

 private:
  struct Entry {
    StatusRow row;
    bool changed = false;  // listed in changedRows_
  };
  Entry *Find(RowId row);
  const Entry *Find(RowId row) const;
  // Returns whether the change callback is due.
  bool MarkChanged(Entry &entry);
  // Wakes the waiting consumer and calls the change callback.
  void Notify();
  // Keeps the list of changed rows bounded when nobody takes changes.
  void PruneChanged();
  void DropOldest();
  void QueueFinished(const StatusRow &row);
  void Write(RowId row, std::initializer_list<RowCell> cells, const BodyProgress *body);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Entry> rows_;  // rows_.front() is the oldest
  RowId newest_ = 0;
  std::vector<RowId> changedRows_;
  std::deque<StatusRow> finishedRows_;
  // Unfinished rows pushed out of the 500 while a finished-row queue is kept:
  // their connections still write them and finish them (at most one per
  // connection, so at most 64).
  std::unordered_map<RowId, StatusRow> detached_;
  std::size_t finishedLimit_ = 0;
  std::uint64_t finishedUnseen_ = 0;
  bool pending_ = false;
  bool interrupted_ = false;
  std::function<void()> callback_;
};

}  // namespace ruz
