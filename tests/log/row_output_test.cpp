// Rows printed by the headless front end.
#include <gtest/gtest.h>

#include "log/row_output.h"
#include "platform/text_codes.h"

namespace ruz {
namespace {

TEST(RowOutputTest, ControlCharactersAreEscaped) {
  EXPECT_EQ(EscapeControlBytes("GET /\x1b[31m\tx\x7f"), "GET /\\x1B[31m\\x09x\\x7F");
  EXPECT_EQ(EscapeControlBytes("a\xc2\x9b" "b"), "a\\xC2\\x9Bb");  // U+009B, a terminal's CSI
  EXPECT_EQ(EscapeControlBytes("接続 é"), "接続 é");
}

TEST(RowOutputTest, ARowIsPrintedWhenItsConnectionHasFinished) {
  std::vector<std::string> printed;
  PrintingStatusView view([&](const std::string &line) { printed.push_back(line); });
  view.InsertTopRow("127.0.0.1");
  view.SetCellText(0, kColStatus, Utf8ToCp932("正常終了"));
  view.SetCellText(0, kColMethod, "GET");
  EXPECT_TRUE(printed.empty());
  view.SetCellText(0, kColResponse, "200 OK");
  EXPECT_TRUE(printed.empty());
  view.RowFinished(0);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0], "127.0.0.1\t\t正常終了\tGET\t\t200 OK");
  view.RowFinished(kStatusRowLimit);  // a row that has fallen off prints nothing
  EXPECT_EQ(printed.size(), 1u);
}

}  // namespace
}  // namespace ruz
