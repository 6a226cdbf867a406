// Rows of the status list: insertion at the top, the shift of shown rows, the
// 500-row limit, and rows of connections that start together.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "log/status_rows.h"
#include "log/status_view.h"
#include "server/context.h"
#include "server/owner_loop.h"

namespace ruz {
namespace {

class StatusRowsTest : public ::testing::Test {
 protected:
  void MakeSlots(int count) {
    context.owner = &loop;
    context.listView = &view;
    context.slotCount = count;
    context.slots = std::make_unique<ConnectionSlot[]>(count);
    for (int i = 0; i < count; ++i) {
      ConnectionSlot &slot = context.slots[i];
      slot.owner = &loop;
      slot.listView = &view;
      slot.context = &context;
      slot.state = 1;
    }
  }
  OwnerLoop loop;
  MemoryStatusView view;
  ServerContext context;
};

TEST_F(StatusRowsTest, ShownRowsMoveDownWhenANewRowIsInserted) {
  MakeSlots(2);
  ShowConnectionRow(context.slots[0], "first");
  SetStatusText(context.slots[0], "a");
  ShowConnectionRow(context.slots[1], "second");
  SetStatusText(context.slots[0], "b");
  EXPECT_EQ(context.slots[0].row, 1);
  EXPECT_EQ(context.slots[1].row, 0);
  EXPECT_EQ(view.CellText(0, kColHost), "second");
  EXPECT_EQ(view.CellText(1, kColHost), "first");
  EXPECT_EQ(view.CellText(1, kColStatus), "b");
  EXPECT_EQ(context.slots[1].state.load(), 2);
}

TEST_F(StatusRowsTest, AtMost500RowsRemainWithTheNewestOnTop) {
  MakeSlots(1);
  for (int i = 0; i < 600; ++i) {
    ShowConnectionRow(context.slots[0], std::to_string(i));
    context.slots[0].state = 1;  // the connection ended; its row stays as history
  }
  EXPECT_EQ(view.RowCount(), 500);
  EXPECT_EQ(view.CellText(0, kColHost), "599");
  EXPECT_EQ(view.CellText(499, kColHost), "100");
}

TEST_F(StatusRowsTest, ConnectionsStartingTogetherEachKeepTheirOwnRow) {
  constexpr int kThreads = 16;
  constexpr int kRounds = 20;
  MakeSlots(kThreads);
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        ConnectionSlot &slot = context.slots[t];
        std::string name = std::to_string(t) + "/" + std::to_string(round);
        ShowConnectionRow(slot, name);
        SetStatusText(slot, name);
        loop.Send([&slot] { slot.state = 1; });
      }
      finished.fetch_add(1);
      loop.Notify();
    });
  }
  loop.WaitUntil([&] { return finished.load() == kThreads; });
  for (auto &t : threads) t.join();
  ASSERT_EQ(view.RowCount(), kThreads * kRounds);
  for (int row = 0; row < view.RowCount(); ++row) {
    EXPECT_EQ(view.CellText(row, kColStatus), view.CellText(row, kColHost)) << row;
  }
}

}  // namespace
}  // namespace ruz
