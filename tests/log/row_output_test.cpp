// Rows printed by the headless front end.
#include <gtest/gtest.h>

#include <chrono>

#include <fcntl.h>
#include <unistd.h>

#include "log/row_output.h"
#include "platform/events.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

TEST(RowOutputTest, ControlCharactersAreEscaped) {
  EXPECT_EQ(EscapeControlBytes("GET /\x1b[31m\tx\x7f"), "GET /\\x1B[31m\\x09x\\x7F");
  EXPECT_EQ(EscapeControlBytes("a\xc2\x9b" "b"), "a\\xC2\\x9Bb");  // U+009B, a terminal's CSI
  EXPECT_EQ(EscapeControlBytes("接続 é"), "接続 é");
}

class RowPrinterTest : public ::testing::Test {
 protected:
  RowPrinterTest() { EXPECT_EQ(::pipe(fds_), 0); }
  ~RowPrinterTest() override {
    for (int fd : fds_) {
      if (fd >= 0) ::close(fd);
    }
  }
  void CloseReader() {
    ::close(fds_[0]);
    fds_[0] = -1;
  }
  std::string ReadAvailable() {
    std::string text;
    char buffer[65536];
    while (WaitForReadable({fds_[0]}, 0) == 0) {
      const ssize_t n = ::read(fds_[0], buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  void Finish(const std::string &host, std::string_view status) {
    table.FinishRow(table.AddRow(host, {{kColStatus, status}, {kColResponse, "200 OK"}}));
  }

  StatusTable table;
  int fds_[2] = {-1, -1};
};

TEST_F(RowPrinterTest, PrintsFinishedRowsOnly) {
  RowPrinter printer(table, fds_[1]);
  table.AddRow("unfinished");
  Finish("127.0.0.1", Utf8ToCp932("正常終了"));
  printer.Stop(std::chrono::seconds(5));
  EXPECT_EQ(ReadAvailable(), "127.0.0.1\t\t正常終了\t\t\t200 OK\n");
}

TEST_F(RowPrinterTest, ABlockedOutputDropsAndCountsRowsAndNeverHoldsUpWriters) {
  ASSERT_EQ(::fcntl(fds_[1], F_SETPIPE_SZ, 4096), 4096);
  RowPrinter printer(table, fds_[1]);
  const std::string host(300, 'h');
  for (int i = 0; i < 10000; ++i) Finish(host, "x");  // far more than the pipe and queue hold
  // Reading again lets the printer catch up: the gap is reported in one line.
  std::string all;
  // Bounded by time, not by reads: the queued rows alone fill hundreds of pipe loads.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (all.find("rows not shown)") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    WaitForReadable({fds_[0]}, 50);
    all += ReadAvailable();
  }
  EXPECT_NE(all.find("rows not shown)\n"), std::string::npos);
  printer.Stop(std::chrono::milliseconds(100));  // the output is left full
}

TEST_F(RowPrinterTest, AClosedOutputEndsThePrintingOnly) {
  CloseReader();
  RowPrinter printer(table, fds_[1]);
  Finish("a", "x");
  Finish("b", "y");
  printer.Stop(std::chrono::seconds(5));  // returns: nothing left to wait for
  EXPECT_EQ(table.Rows().size(), 2u);
}

}  // namespace
}  // namespace ruz
