// The status list written in place and observed through a change feed.
#include "http/status_table.h"

#include <algorithm>
#include <chrono>

namespace ruz {

StatusTable::Entry *StatusTable::Find(RowId row) {
  const RowId oldest = newest_ + 1 - rows_.size();
  if (row == 0 || row > newest_ || row < oldest) return nullptr;
  return &rows_[row - oldest];
}

const StatusTable::Entry *StatusTable::Find(RowId row) const {
  return const_cast<StatusTable *>(this)->Find(row);
}

bool StatusTable::MarkChanged(Entry &entry) {
  if (!entry.changed) {
    entry.changed = true;
    changedRows_.push_back(entry.row.id);
    PruneChanged();
  }
  if (pending_) return false;
  pending_ = true;
  return true;
}

void StatusTable::Notify() {
  changed_.notify_all();
  if (callback_) callback_();
}

void StatusTable::DropOldest() {
  StatusRow &oldest = rows_.front().row;
  if (finishedLimit_ > 0 && !oldest.finished) detached_.emplace(oldest.id, std::move(oldest));
  rows_.pop_front();
}

void StatusTable::QueueFinished(const StatusRow &row) {
  if (finishedLimit_ == 0) return;
  if (finishedRows_.size() == finishedLimit_) {
    finishedRows_.pop_front();
    ++finishedUnseen_;
  }
  finishedRows_.push_back(row);
}

void StatusTable::PruneChanged() {
  auto gone = [this](RowId id) { return Find(id) == nullptr; };
  if (changedRows_.size() > 2 * kStatusRowLimit) std::erase_if(changedRows_, gone);
}

RowId StatusTable::AddRow(std::string_view host, std::initializer_list<RowCell> cells) {
  bool notify = false;
  RowId id = 0;
  {
    std::lock_guard lock(mutex_);
    if (rows_.size() == kStatusRowLimit) DropOldest();
    id = ++newest_;
    Entry &entry = rows_.emplace_back();
    entry.row.id = id;
    entry.row.cells[kColHost] = host;
    for (const RowCell &cell : cells) entry.row.cells[cell.column] = cell.text;
    notify = MarkChanged(entry);
  }
  if (notify) Notify();
  return id;
}

void StatusTable::SetCells(RowId row, std::initializer_list<RowCell> cells) {
  Write(row, cells, nullptr);
}

void StatusTable::SetCells(RowId row, std::initializer_list<RowCell> cells, BodyProgress body) {
  Write(row, cells, &body);
}

void StatusTable::Write(RowId row, std::initializer_list<RowCell> cells, const BodyProgress *body) {
  bool notify = false;
  {
    std::lock_guard lock(mutex_);
    Entry *entry = Find(row);
    if (entry == nullptr) {
      if (auto detached = detached_.find(row); detached != detached_.end()) {
        for (const RowCell &cell : cells) detached->second.cells[cell.column] = cell.text;
        if (body != nullptr) detached->second.body = *body;
      }
      return;
    }
    for (const RowCell &cell : cells) entry->row.cells[cell.column] = cell.text;
    if (body != nullptr) entry->row.body = *body;
    notify = MarkChanged(*entry);
  }
  if (notify) Notify();
}

void StatusTable::FinishRow(RowId row) {
  bool notify = false;
  {
    std::lock_guard lock(mutex_);
    Entry *entry = Find(row);
    if (entry == nullptr) {
      if (auto detached = detached_.find(row); detached != detached_.end()) {
        detached->second.finished = true;
        QueueFinished(detached->second);
        detached_.erase(detached);
        notify = !pending_;
        pending_ = true;
      }
    } else {
      entry->row.finished = true;
      QueueFinished(entry->row);
      notify = MarkChanged(*entry);
    }
  }
  if (notify) Notify();
}

StatusRow StatusTable::Row(RowId row) const {
  std::lock_guard lock(mutex_);
  const Entry *entry = Find(row);
  return entry != nullptr ? entry->row : StatusRow{};
}

std::vector<StatusRow> StatusTable::Rows() const {
  std::lock_guard lock(mutex_);
  std::vector<StatusRow> rows;
  rows.reserve(rows_.size());
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it) rows.push_back(it->row);
  return rows;
}

StatusChanges StatusTable::TakeChanges() {
  std::lock_guard lock(mutex_);
  StatusChanges changes;
  changes.newest = newest_;
  std::sort(changedRows_.begin(), changedRows_.end());
  for (RowId id : changedRows_) {
    if (Entry *entry = Find(id)) {
      entry->changed = false;
      changes.rows.push_back(entry->row);
    }
  }
  changedRows_.clear();
  changes.finished.assign(std::make_move_iterator(finishedRows_.begin()),
                          std::make_move_iterator(finishedRows_.end()));
  finishedRows_.clear();
  changes.finishedUnseen = finishedUnseen_;
  finishedUnseen_ = 0;
  pending_ = false;
  interrupted_ = false;
  return changes;
}

bool StatusTable::WaitForChanges(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return pending_ || interrupted_; });
}

void StatusTable::Interrupt() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  changed_.notify_all();
}

void StatusTable::KeepFinishedRows(std::size_t limit) {
  std::lock_guard lock(mutex_);
  finishedLimit_ = limit;
}

void StatusTable::SetChangeCallback(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  callback_ = std::move(callback);
}

}  // namespace ruz
