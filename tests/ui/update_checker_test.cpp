// The update check against a peer of the test's own on 127.0.0.1: the request,
// the reactions, the failures, the deadline and the schedule of item 17.
#include "window_support.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QPushButton>
#include <QTest>

#include "platform/ini.h"
#include "ui/menus.h"
#include "ui/update_reply.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

/// A one-shot update host: records each request and answers it with reply
/// (in one write, then closes), or stays silent when silent is set.
class UpdatePeer {
 public:
  explicit UpdatePeer(QByteArray reply, bool silent = false) : reply_(std::move(reply)) {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
    QObject::connect(&server_, &QTcpServer::newConnection, [this, silent] {
      while (QTcpSocket *socket = server_.nextPendingConnection()) {
        ++connections;
        requests << QByteArray();
        QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, silent] {
          requests.last() += socket->readAll();
          if (silent || !requests.last().endsWith("\r\n\r\n")) return;
          socket->write(reply_);
          socket->disconnectFromHost();
        });
      }
    });
  }
  int Port() const { return server_.serverPort(); }
  std::string HostKey() const { return "updatehost=127.0.0.1:" + std::to_string(Port()) + "\n"; }

  int connections = 0;
  QList<QByteArray> requests;

 private:
  QTcpServer server_;
  QByteArray reply_;
};

QByteArray Reply(const QByteArray &body) { return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body; }

struct CheckResult {
  bool ok = false;
  QByteArray body;
  qint64 ms = 0;
};

CheckResult RunCheck(UpdateChecker &checker, int port) {
  QSignalSpy spy(&checker, &UpdateChecker::Finished);
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(checker.Start(u"127.0.0.1"_s, static_cast<std::uint16_t>(port)));
  EXPECT_FALSE(checker.Start(u"127.0.0.1"_s, static_cast<std::uint16_t>(port)));  // one at a time
  EXPECT_TRUE(spy.wait(15000));
  CheckResult result;
  result.ms = clock.elapsed();
  if (spy.size() == 1) {
    result.ok = spy[0][0].toBool();
    result.body = spy[0][1].toByteArray();
  }
  return result;
}

TEST(UpdateCheckerTest, SendsExactlyTheVersionRequestAndReportsTheBody) {
  UpdatePeer peer(Reply("Ruzo'sWebserver/1.1"));
  UpdateChecker checker;
  const CheckResult result = RunCheck(checker, peer.Port());
  ASSERT_EQ(peer.requests.size(), 1);
  EXPECT_EQ(peer.requests[0].toStdString(), std::string(kUpdateRequest));
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.body, "Ruzo'sWebserver/1.1");
}

TEST(UpdateCheckerTest, RepliesWithoutAHeaderEndInTheKeptBytesFail) {
  const QByteArray noEnd = "HTTP/1.0 200 OK\r\n" + QByteArray(300, 'x') + "\r\n\r\nRuzo'sWebserver/1.1";
  const QByteArray tooLong = Reply(QByteArray(600 - Reply("").size(), 'v'));
  ASSERT_EQ(tooLong.size(), 600);
  for (const QByteArray &reply : {noEnd, tooLong, QByteArray("HTTP/1.0 200 OK\r\n")}) {
    UpdatePeer peer(reply);
    UpdateChecker checker;
    EXPECT_FALSE(RunCheck(checker, peer.Port()).ok) << reply.left(40).toStdString();
  }
}

TEST(UpdateCheckerTest, RefusedAndSilentPeersFailWithinTheDeadline) {
  UpdateChecker refusedChecker;
  EXPECT_FALSE(RunCheck(refusedChecker, FreePort()).ok);

  UpdatePeer silent("", true);
  UpdateChecker checker(300);
  const CheckResult result = RunCheck(checker, silent.Port());
  EXPECT_FALSE(result.ok);
  EXPECT_GE(result.ms, 250);
  EXPECT_LT(result.ms, 3000);
  EXPECT_EQ(silent.connections, 1);
  EXPECT_FALSE(checker.IsRunning());
}

class UpdateOfferTest : public WindowTest {
 protected:
  /// Runs one check from the window against peer and waits for its end.
  void CheckNow() {
    QSignalSpy spy(&window_->Checker(), &UpdateChecker::Finished);
    window_->RunUpdateCheck();
    ASSERT_TRUE(spy.wait(15000));
    QTest::qWait(0);
  }
  QString OfferText() const { return u"新バージョンが公開されています\nダウンロードページを開きますか?"_s; }
};

TEST_F(UpdateOfferTest, OnlyADifferentBodyOffersTheDownloadAndYesOpensIt) {
  struct Case {
    QByteArray body;
    bool offered;
  };
  const Case cases[] = {
      {"Ruzo'sWebserver/1.0", false},
      {"Ruzo'sWebserver/1.0\r\n", true},
      {"Ruzo'sWebserver/1.1", true},
  };
  for (const Case &c : cases) {
    UpdatePeer peer(Reply(c.body));
    WriteIni(BasicIni(FreePort(), peer.HostKey()));
    Open();
    auto box = AnswerNextBox(QMessageBox::Yes);
    CheckNow();
    EXPECT_EQ(box->seen, c.offered) << c.body.toStdString();
    if (c.offered) {
      EXPECT_EQ(box->title, u"Ruzo'sWebserver"_s);
      EXPECT_EQ(box->text, OfferText());
      ASSERT_FALSE(urls_->urls.isEmpty());
      EXPECT_EQ(urls_->urls.last().scheme(), u"http"_s);
    }
    window_.reset();
    box->Withdraw();
  }
}

TEST_F(UpdateOfferTest, AnErrorPageOffersTooAndNoDeclinesWithoutOpening) {
  UpdatePeer peer("HTTP/1.0 404 Not Found\r\n\r\n<h1>404</h1>");
  WriteIni(BasicIni(FreePort(), peer.HostKey()));
  Open();
  auto box = AnswerNextBox(QMessageBox::No);
  CheckNow();
  EXPECT_TRUE(box->seen);
  EXPECT_TRUE(urls_->urls.isEmpty());
}

TEST_F(UpdateOfferTest, AnOpenOfferIsNotStackedWithASecond) {
  UpdatePeer peer(Reply("Ruzo'sWebserver/2.0"));
  WriteIni(BasicIni(FreePort(), peer.HostKey()));
  Open();
  int offers = 0;
  OnNextModal([&](QWidget *first) {
    ++offers;
    QSignalSpy spy(&window_->Checker(), &UpdateChecker::Finished);
    window_->RunUpdateCheck();
    EXPECT_TRUE(spy.wait(15000));
    QTest::qWait(0);
    EXPECT_EQ(QApplication::activeModalWidget(), first);
    qobject_cast<QMessageBox *>(first)->button(QMessageBox::No)->click();
  });
  CheckNow();
  EXPECT_EQ(offers, 1);
  EXPECT_EQ(peer.connections, 2);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(UpdateOfferTest, StartUpWithTheCheckOnSendsExactlyOneRequest) {
  UpdatePeer peer(Reply("Ruzo'sWebserver/1.0"));
  WriteIni(BasicIni(FreePort(), "autoupdatecheck=1\n" + peer.HostKey()));
  MainWindow &window = Open();
  EXPECT_TRUE(window.UpdateTimer().isActive());
  EXPECT_TRUE(window.MenuAction(kCmdAutoUpdate)->isChecked());
  QSignalSpy finished(&window.Checker(), &UpdateChecker::Finished);
  ASSERT_TRUE(finished.wait(15000));
  QTest::qWait(50);
  EXPECT_EQ(peer.connections, 1);
  EXPECT_EQ(finished.size(), 1);
}

TEST_F(UpdateOfferTest, ToggleWritesTheKeyAndRestartsThePeriodWithoutACheck) {
  UpdatePeer peer(Reply("Ruzo'sWebserver/1.1"));
  WriteIni(BasicIni(FreePort(), peer.HostKey()));
  MainWindow &window = Open();
  auto key = [&] {
    IniDocument doc;
    LoadIniFile(Home() + "/ruz.ini", doc);
    return GetIniString(doc, "RUZ", "autoupdatecheck", "<absent>", 16);
  };
  EXPECT_EQ(key(), "<absent>");
  window.OnCommand(kCmdAutoUpdate);
  EXPECT_EQ(key(), "1");
  EXPECT_TRUE(window.UpdateTimer().isActive());
  EXPECT_TRUE(window.MenuAction(kCmdAutoUpdate)->isChecked());
  window.OnCommand(kCmdAutoUpdate);
  EXPECT_EQ(key(), "0");
  EXPECT_FALSE(window.UpdateTimer().isActive());
  EXPECT_FALSE(window.MenuAction(kCmdAutoUpdate)->isChecked());
  window.OnCommand(kCmdAutoUpdate);
  EXPECT_NEAR(window.UpdateTimer().remainingTime(), kUpdatePeriodMs, 5000);
  EXPECT_TRUE(window.UpdateTimer().isSingleShot() == false);
  QTest::qWait(50);
  EXPECT_FALSE(window.Checker().IsRunning());
  EXPECT_EQ(peer.connections, 0);
}

}  // namespace
}  // namespace ruz::testing
