// The status table: rows written in place, the 500-row limit, the change feed,
// and many writers with one reader.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "http/status_table.h"

namespace ruz {
namespace {

TEST(StatusTableTest, KeepsTheNewest500RowsNewestFirst) {
  StatusTable table;
  RowId first = table.AddRow("0");
  for (int i = 1; i < 600; ++i) table.AddRow(std::to_string(i));
  const std::vector<StatusRow> rows = table.Rows();
  ASSERT_EQ(rows.size(), 500u);
  EXPECT_EQ(rows.front().cells[kColHost], "599");
  EXPECT_EQ(rows.back().cells[kColHost], "100");
  // Writes to a row that has fallen out change nothing.
  table.SetCells(first, {{kColStatus, "late"}});
  table.FinishRow(first);
  EXPECT_EQ(table.Row(first).id, 0u);
}

TEST(StatusTableTest, TheFeedCarriesEachChangedRowOnceAndFinishedRowsInOrder) {
  StatusTable table;
  table.KeepFinishedRows(10);
  int callbacks = 0;
  table.SetChangeCallback([&] { ++callbacks; });
  const RowId a = table.AddRow("a", {{kColStatus, "接続"}});
  const RowId b = table.AddRow("b");
  table.SetCells(a, {{kColMethod, "GET"}, {kColStatus, "x"}, {kColStatus, "done"}});
  table.FinishRow(b);
  table.FinishRow(a);
  EXPECT_EQ(callbacks, 1);  // one batch for many changes

  StatusChanges changes = table.TakeChanges();
  ASSERT_EQ(changes.rows.size(), 2u);
  EXPECT_EQ(changes.rows[0].id, a);
  EXPECT_EQ(changes.rows[0].cells[kColStatus], "done");
  EXPECT_EQ(changes.rows[0].cells[kColMethod], "GET");
  EXPECT_TRUE(changes.rows[1].finished);
  ASSERT_EQ(changes.finished.size(), 2u);
  EXPECT_EQ(changes.finished[0].id, b);
  EXPECT_EQ(changes.finished[1].cells[kColStatus], "done");
  EXPECT_EQ(changes.newest, b);

  EXPECT_TRUE(table.TakeChanges().rows.empty());
  table.AddRow("c");
  EXPECT_EQ(callbacks, 2);
}

TEST(StatusTableTest, FinishedRowsBeyondTheQueueAreDroppedAndCounted) {
  StatusTable table;
  table.KeepFinishedRows(600);
  for (int i = 0; i < 610; ++i) table.FinishRow(table.AddRow(std::to_string(i)));
  StatusChanges changes = table.TakeChanges();
  EXPECT_EQ(changes.finishedUnseen, 10u);
  ASSERT_EQ(changes.finished.size(), 600u);  // more than the 500 rows shown
  EXPECT_EQ(changes.finished.front().cells[kColHost], "10");
  EXPECT_EQ(changes.rows.size(), 500u);
}

TEST(StatusTableTest, SixteenWritersAndOneReaderLoseAndTearNothing) {
  constexpr int kWriters = 16;
  constexpr int kRounds = 200;
  StatusTable table;
  table.KeepFinishedRows(kWriters * kRounds);
  std::atomic<int> writing{kWriters};
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        const std::string name = std::to_string(t) + "/" + std::to_string(round);
        const RowId row = table.AddRow(name, {{kColStatus, "接続"}});
        table.SetCells(row, {{kColMethod, name}, {kColStatus, name}});
        table.SetCells(row, {{kColResponse, name}});
        table.FinishRow(row);
      }
      writing.fetch_sub(1);
    });
  }
  std::size_t finishedSeen = 0;
  std::uint64_t unseen = 0;
  auto check = [&](const StatusChanges &changes) {
    finishedSeen += changes.finished.size();
    unseen += changes.finishedUnseen;
    for (const StatusRow &row : changes.finished) {
      // A finished row carries every cell its writer set, none of another's.
      EXPECT_EQ(row.cells[kColStatus], row.cells[kColHost]);
      EXPECT_EQ(row.cells[kColMethod], row.cells[kColHost]);
      EXPECT_EQ(row.cells[kColResponse], row.cells[kColHost]);
    }
  };
  while (writing.load() > 0) {
    table.WaitForChanges(10);
    check(table.TakeChanges());
  }
  for (auto &writer : writers) writer.join();
  check(table.TakeChanges());
  // A row that falls out of the 500 before its writer finishes it is gone
  // from the table; every other one reaches the reader.
  EXPECT_EQ(unseen, 0u);
  EXPECT_LE(finishedSeen, static_cast<std::size_t>(kWriters * kRounds));
  EXPECT_GT(finishedSeen, static_cast<std::size_t>(kWriters * kRounds * 9 / 10));
  EXPECT_EQ(table.Rows().size(), static_cast<std::size_t>(kStatusRowLimit));
}

}  // namespace
}  // namespace ruz
