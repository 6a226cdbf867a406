// Stopping and restarting under load: the wait keeps the list live, a close
// that arrives meanwhile is carried out afterwards, and a close lets a running
// request finish and writes the log buffer out.
#include "window_support.h"

#include <QTest>

#include "ui/menus.h"
#include "ui/stall_meter.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

constexpr int kPiece = 64 * 1024;

class WindowRestartTest : public WindowTest {
 protected:
  /// A file of eight full pieces; with sendwait 100 it takes about 0.8 s.
  int ServeSlowly(const std::string &extra = "") {
    WriteFile("www/big.bin", std::string(8 * kPiece, 'x'));
    const int port = FreePort();
    extra_ = "sendwait=100\n" + extra;
    WriteIni(BasicIni(port, extra_));
    Open();
    return port;
  }

  /// The next restart listens on a fresh port.
  int MoveToNewPort() {
    const int port = FreePort();
    WriteIni(BasicIni(port, extra_));
    return port;
  }

  std::string extra_;

  bool Sending() { return Row(0)[kColStatus].startsWith(u"ファイル送信中"_s); }

  /// Restarts; the server must come back on its port without a warning.
  void RestartCleanly() {
    auto warning = AnswerNextBox();
    window_->Restart();
    EXPECT_TRUE(WaitFor([&] { return !window_->IsBusy(); }, 30000));
    EXPECT_FALSE(warning->seen) << "restart warned: " << warning->text.toStdString();
    warning->Withdraw();
  }
};

TEST_F(WindowRestartTest, RestartWaitsForATransferWhoseRowKeepsUpdating) {
  const int port = ServeSlowly();
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return Sending(); }));
  // The status bar counts the connection while it is served.
  EXPECT_TRUE(WaitFor([&] {
    return window_->StateText() == u"稼働中 ポート %1 ｜ 接続 1/64"_s.arg(port);
  }, 5000)) << window_->StateText().toStdString();
  QStringList seenWhileBusy;
  QStringList statesWhileBusy;
  QObject::connect(&window_->Model(), &QAbstractItemModel::dataChanged, window_.get(), [&] {
    if (!window_->IsBusy()) return;
    seenWhileBusy << window_->Model().Cell(0, kColStatus);
    statesWhileBusy << window_->StateText() << window_->Tray().toolTip();
  });
  // The close arrives in the middle of the restart and must wait for its end.
  // Meanwhile the event loop keeps turning.
  StallMeter meter;
  const int newPort = MoveToNewPort();
  QTimer::singleShot(100, window_.get(), [&] { window_->close(); });
  RestartCleanly();
  EXPECT_EQ(window_->StateText(), u"稼働中 ポート %1 ｜ 接続 0/64"_s.arg(newPort));
  ASSERT_FALSE(statesWhileBusy.isEmpty());
  // The stop's text with the seconds left before responses under way are cut off.
  for (const QString &state : statesWhileBusy) {
    EXPECT_TRUE(state.startsWith(u"再起動中…（送信中の応答を待っています: 残り最長 "_s) ||
                state.startsWith(u"Ruzo'sWebserver ｜ 再起動中…（"_s))
        << state.toStdString();
  }
  EXPECT_FALSE(window_->IsClosed());
  EXPECT_TRUE(slow.Done());
  EXPECT_GE(slow.Reply().size(), static_cast<std::size_t>(8 * kPiece));
  ASSERT_FALSE(seenWhileBusy.isEmpty());
  EXPECT_TRUE(seenWhileBusy.first().startsWith(u"ファイル送信中"_s)) << seenWhileBusy.first().toStdString();
  EXPECT_EQ(seenWhileBusy.last(), u"正常終了"_s);
  EXPECT_TRUE(WaitFor([&] { return window_->IsClosed(); }, 5000));
  EXPECT_EQ(context_.isRunning, 0);
  EXPECT_LT(meter.LongestStallMs(), 100);
}

TEST_F(WindowRestartTest, CloseLetsTheRunningRequestFinishAndWritesTheLogBuffer) {
  const int port = ServeSlowly("logwrite=1\nmem=1\nbufmax=65536\nlogname=access.log\n"
                               "logformat=%method% %url% %responsecode%\n");
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return Sending(); }));
  EXPECT_TRUE(CloseWindow());
  EXPECT_TRUE(slow.Done());
  EXPECT_EQ(slow.Reply().size() - slow.Reply().find("\r\n\r\n") - 4,
            static_cast<std::size_t>(8 * kPiece));
  EXPECT_EQ(ReadFile("access.log"), "GET /big.bin 200\r\n");
}

// With a download running a restart asks first: キャンセル keeps serving,
// 完了後に waits until the download is whole, 今すぐ cuts it off after the
// stop's grace, and its row and log line say the server ended it.
TEST_F(WindowRestartTest, RestartWithADownloadRunningAsksFirst) {
  const int port = ServeSlowly("stopwait=300\nlogwrite=1\nlogname=access.log\n"
                               "logformat=%url% %responsecode%\n");
  {
    Fetch slow(port, "/big.bin");
    ASSERT_TRUE(WaitFor([&] { return Sending(); }));
    auto cancel = AnswerNextBox();  // the default button: キャンセル
    window_->RestartAsked();
    ASSERT_TRUE(cancel->seen);
    EXPECT_TRUE(cancel->text.startsWith(u"送信中 1 件"_s)) << cancel->text.toStdString();
    EXPECT_FALSE(window_->IsBusy());
    EXPECT_FALSE(window_->IsWaitingForTransfers());

    auto after = AnswerNextBoxWith(u"stopAfter"_s);
    window_->RestartAsked();
    ASSERT_TRUE(after->seen);
    EXPECT_TRUE(window_->IsWaitingForTransfers());
    EXPECT_TRUE(window_->StateText().contains(u"完了後に再起動"_s)) << window_->StateText().toStdString();
    ASSERT_TRUE(WaitFor([&] {
      return slow.Done() && !window_->IsWaitingForTransfers() && !window_->IsBusy();
    }, 30000));
    EXPECT_EQ(slow.Reply().size() - slow.Reply().find("\r\n\r\n") - 4,
              static_cast<std::size_t>(8 * kPiece));
  }
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return Sending(); }));
  auto now = AnswerNextBoxWith(u"stopNow"_s);
  window_->RestartAsked();
  ASSERT_TRUE(now->seen);
  EXPECT_EQ(window_->StateText(), u"再起動中…（送信中の応答を待っています: 残り最長 1 秒）"_s);
  ASSERT_TRUE(WaitFor([&] { return !window_->IsBusy(); }, 30000));
  EXPECT_EQ(Row(0)[kColStatus], u"停止のため切断"_s);
  EXPECT_EQ(ReadFile("access.log"), "/big.bin 200\r\n/big.bin 503\r\n");
}

TEST_F(WindowRestartTest, MenuCommandsDoNothingWhileAStopIsUnderWay) {
  const int port = ServeSlowly();
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return Sending(); }));
  bool aboutOpened = false;
  QTimer::singleShot(50, window_.get(), [&] {
    window_->OnCommand(kCmdAbout);
    aboutOpened = true;  // reached only when the command returned at once
  });
  MoveToNewPort();
  RestartCleanly();
  EXPECT_TRUE(aboutOpened);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WindowRestartTest, AnUpdateOfferWaitsUntilTheRestartIsOver) {
  const int port = ServeSlowly();
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return Sending(); }));
  bool offeredWhileBusy = false;
  QTimer::singleShot(50, window_.get(), [&] {
    Q_EMIT window_->Checker().Finished(true, QByteArray("Ruzo'sWebserver/1.1"));
    offeredWhileBusy = QApplication::activeModalWidget() != nullptr;
  });
  MoveToNewPort();
  RestartCleanly();
  EXPECT_FALSE(offeredWhileBusy);
  auto offer = AnswerNextBox(QMessageBox::No);
  EXPECT_TRUE(WaitFor([&] { return offer->seen; }, 5000));
  EXPECT_EQ(offer->title, u"Ruzo'sWebserver"_s);
}

TEST_F(WindowRestartTest, RestartOnTheSamePortAfterTrafficServesAgain) {
  // The server closes first, so its side of each connection lingers in
  // TIME_WAIT; the restarted listener must still get the port back.
  const int port = ServeSlowly();
  Fetch first(port, "/index.html");
  ASSERT_TRUE(WaitFor([&] { return first.Done(); }));
  RestartCleanly();
  EXPECT_EQ(context_.isRunning, 1);
  Fetch again(port, "/index.html");
  ASSERT_TRUE(WaitFor([&] { return again.Done(); }));
  EXPECT_NE(again.Reply().find("200 OK"), std::string::npos);
}

}  // namespace
}  // namespace ruz::testing
