// Real requests to the server behind the window: live rows, the 500-row limit,
// and serving while a modal box or the options sheet is open.
#include "window_support.h"

#include <QClipboard>
#include <QMenu>
#include <QTest>
#include <QTreeView>

#include <vector>

#include "ui/menus.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

using WindowRequestsTest = WindowTest;

TEST_F(WindowRequestsTest, EveryConnectionBecomesARowWithItsCells) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  Open();
  Fetch ok(port, "/index.html");
  ASSERT_TRUE(WaitFor([&] { return ok.Done(); }));
  Fetch missing(port, "/nothing.html");
  ASSERT_TRUE(WaitFor([&] { return missing.Done(); }));
  EXPECT_NE(ok.Reply().find("<p>hello</p>"), std::string::npos);
  ASSERT_TRUE(WaitFor([&] { return window_->Model().RowCount() == 2; }));
  // The cells arrive before the reply is complete; the response cell last.
  ASSERT_TRUE(WaitFor([&] { return !Row(0)[kColResponse].isEmpty(); }));
  const QStringList newest = Row(0);
  EXPECT_EQ(newest[kColHost], u"127.0.0.1"_s);
  EXPECT_EQ(newest[kColStatus], u"ファイルが見つかりません"_s);
  EXPECT_EQ(newest[kColMethod], u"GET"_s);
  EXPECT_EQ(newest[kColPath], u"/nothing.html"_s);
  EXPECT_EQ(newest[kColResponse], u"404 Not Found"_s);
  EXPECT_EQ(newest[kColStart].size(), 19);  // "YYYY/MM/DD hh:mm:ss"
  const QStringList older = Row(1);
  EXPECT_EQ(older[kColStatus], u"正常終了"_s);
  EXPECT_EQ(older[kColResponse], u"200 OK"_s);
}

TEST_F(WindowRequestsTest, PathCellsAreDecodedAndTheContextMenuCopiesACellOrTheRow) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  // 日本 escaped from UTF-8, CP932 and EUC-JP, and escapes in a query.
  const std::pair<std::string, QString> cases[] = {
      {"/%E6%97%A5%E6%9C%AC.html", u"/日本.html"_s},
      {"/%93%FA%96%7B.html", u"/日本.html"_s},
      {"/%C6%FC%CB%DC.html", u"/日本.html"_s},
      {"/a%20b?q=%41", u"/a b?q=A"_s},
  };
  int rows = 0;
  for (const auto &[path, shown] : cases) {
    Fetch fetch(port, path);
    ASSERT_TRUE(WaitFor([&] { return fetch.Done(); }));
    ++rows;
    ASSERT_TRUE(WaitFor([&] {
      return window.Model().RowCount() == rows && !Row(0)[kColResponse].isEmpty();
    }));
    EXPECT_EQ(Row(0)[kColPath], shown) << path;
  }
  QTreeView &view = window.View();
  Q_EMIT view.customContextMenuRequested(view.visualRect(view.model()->index(0, kColPath)).center());
  auto *menu = view.findChild<QMenu *>(u"statusCopyMenu"_s);
  ASSERT_NE(menu, nullptr);
  menu->findChild<QAction *>(u"copyCell"_s)->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), u"/a b?q=A"_s);
  menu->findChild<QAction *>(u"copyRow"_s)->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), Row(0).join(u'\t'));
  menu->close();
}

TEST_F(WindowRequestsTest, SixHundredRequestsLeaveTheFiveHundredNewestRows) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  Open();
  constexpr int kClients = 8;
  constexpr int kRounds = 75;  // 8 x 75 = 600 requests
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::unique_ptr<Fetch>> batch;
    for (int i = 0; i < kClients; ++i)
      batch.push_back(std::make_unique<Fetch>(port, "/r" + std::to_string(round * kClients + i)));
    ASSERT_TRUE(WaitFor([&] {
      for (auto &fetch : batch)
        if (!fetch->Done()) return false;
      return true;
    }));
  }
  // The list takes the rows in batches, a moment after the clients are done.
  ASSERT_TRUE(WaitFor([&] {
    return Row(0)[kColPath].mid(2).toInt() >= 600 - kClients && !Row(0)[kColResponse].isEmpty();
  }));
  EXPECT_EQ(window_->Model().RowCount(), 500);
  EXPECT_EQ(window_->Model().rowCount(), 500);
  // The top row is one of the last batch, the bottom one of the 101st request on.
  EXPECT_GE(Row(0)[kColPath].mid(2).toInt(), 600 - kClients);
  EXPECT_GE(Row(499)[kColPath].mid(2).toInt(), 100 - kClients);
}

TEST_F(WindowRequestsTest, RequestsAreServedWhileAMessageBoxIsOpen) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  std::unique_ptr<Fetch> fetch;
  bool servedUnderBox = false;
  OnNextModal([&](QWidget *box) {
    fetch = std::make_unique<Fetch>(port, "/index.html");
    servedUnderBox = WaitFor([&] { return fetch->Done(); });
    box->close();
  });
  window.OnCommand(kCmdAbout);
  EXPECT_TRUE(servedUnderBox);
  ASSERT_TRUE(fetch);
  EXPECT_NE(fetch->Reply().find("200 OK"), std::string::npos);
}

TEST_F(WindowRequestsTest, RequestsAreServedWhileTheOptionsSheetIsOpen) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  std::unique_ptr<Fetch> fetch;
  bool servedUnderSheet = false;
  OnNextModal([&](QWidget *sheet) {
    fetch = std::make_unique<Fetch>(port, "/index.html");
    servedUnderSheet = WaitFor([&] { return fetch->Done(); });
    sheet->close();  // closing without OK changes nothing: no restart
  });
  window.OnCommand(kCmdOptions);
  EXPECT_TRUE(servedUnderSheet);
  ASSERT_TRUE(fetch);
  EXPECT_NE(fetch->Reply().find("200 OK"), std::string::npos);
  EXPECT_EQ(context_.isRunning, 1);
}

}  // namespace
}  // namespace ruz::testing
