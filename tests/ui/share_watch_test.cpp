// Sharing and watching in the window: the QR code read back by a scanner, the
// addresses band, and the traffic panel, filter and clearing on a real server.
#include "window_support.h"

#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include "ui/address_band.h"
#include "ui/menus.h"
#include "ui/qr_code.h"
#include "ui/traffic_panel.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

// What zbarimg reads from a picture.
QString Scan(const QString &scanner, const QImage &image, const QString &file) {
  if (!image.save(file)) return {};
  QProcess zbar;
  zbar.start(scanner, {u"--quiet"_s, u"--raw"_s, file});
  if (!zbar.waitForFinished(20000)) return {};
  return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
}

// The code alone and the popup as shown both read back; with
// RUZ_SCREENSHOT_DIR set, the popup is kept there for a person to look at.
TEST(QrCodeTest, ReadsBackAsTheAddressItWasMadeOf) {
  const QString scanner = QStandardPaths::findExecutable(u"zbarimg"_s);
  if (scanner.isEmpty()) GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";
  QTemporaryDir dir;
  const QString shots = qEnvironmentVariable("RUZ_SCREENSHOT_DIR");
  for (const QString &address : {u"http://192.168.1.20:8080/"_s,
                                 u"https://[2001:db8:1234:5678::10]:8443/"_s}) {
    const QImage code = QrCodeImage(address, 6);
    ASSERT_FALSE(code.isNull());
    EXPECT_EQ(Scan(scanner, code, dir.filePath(u"code.png"_s)), address);
    QrDialog popup(address);
    popup.show();
    const QImage shown = popup.grab().toImage();
    EXPECT_GE(shown.width(), 280);  // about 7 cm on a common screen
    EXPECT_EQ(Scan(scanner, shown, dir.filePath(u"popup.png"_s)), address);
    if (!shots.isEmpty() && address.startsWith(u"http:"_s)) {
      shown.save(shots + u"/share-qr-%1.png"_s.arg(qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s)));
    }
  }
}

TEST(AddressBandTest, ShowsTheAddressesOrSaysTheServerIsLocalAndFollowsChanges) {
  PublicAddresses now{Reach::kNetwork, {"http://192.0.2.5:80/", "http://[2001:db8::5]:80/"}};
  AddressBand band([&] { return now; });
  EXPECT_EQ(band.Urls(), (QStringList{u"http://192.0.2.5:80/"_s, u"http://[2001:db8::5]:80/"_s}));
  EXPECT_EQ(band.findChildren<QLabel *>(u"addressLink"_s).size(), 2);
  now = {Reach::kThisComputerOnly, {}};
  band.Refresh();
  EXPECT_TRUE(band.Urls().isEmpty());
  EXPECT_TRUE(band.findChildren<QLabel *>(u"addressLink"_s).isEmpty());
  band.show();
  EXPECT_EQ(band.Notice(), u"このコンピューターからのみ接続できます（bindaddress=localhost）"_s);
}

using ShareWindowTest = WindowTest;

TEST_F(ShareWindowTest, PanelCountsFinishedRequestsAndTheListFiltersTintsAndClears) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  for (const char *path : {"/index.html", "/nothing.html", "/index.html"}) {
    Fetch fetch(port, path);
    ASSERT_TRUE(WaitFor([&] { return fetch.Done(); }));
  }
  ASSERT_TRUE(WaitFor([&] {
    window.Model().Refresh();
    return window.Model().RowCount() == 3 && !window.Model().Cell(2, kColResponse).isEmpty();
  }));

  window.OnCommand(kCmdTrafficPanel);
  EXPECT_TRUE(window.TrafficDock().isVisibleTo(&window));
  TrafficPanel &panel = window.Traffic();
  panel.Refresh();
  EXPECT_EQ(panel.ClassText(), u"直近1時間  2xx: 2   3xx: 0   4xx: 1   5xx: 0"_s);
  ASSERT_EQ(panel.Paths().rowCount(), 2);
  EXPECT_EQ(panel.Paths().item(0, 0)->text(), u"/index.html"_s);
  EXPECT_EQ(panel.Paths().item(0, 1)->text(), u"2"_s);
  EXPECT_EQ(panel.Clients().item(0, 0)->text(), u"127.0.0.1"_s);
  EXPECT_EQ(panel.PlottedRequests(), 600);
  // The panel is remembered for the next start.
  EXPECT_NE(ReadFile("ruz.ini").find("trafficpanel=1"), std::string::npos);

  QAbstractItemModel &shown = *window.View().model();
  EXPECT_TRUE(shown.index(1, 0).data(Qt::BackgroundRole).isValid());   // the 404
  EXPECT_FALSE(shown.index(0, 0).data(Qt::BackgroundRole).isValid());  // a 200
  window.OnCommand(kCmdShowErrorRows);
  ASSERT_EQ(shown.rowCount(), 1);
  EXPECT_EQ(shown.index(0, kColPath).data().toString(), u"/nothing.html"_s);
  // A double-click opens the row's URL on this server.
  Q_EMIT window.View().doubleClicked(shown.index(0, kColHost));
  ASSERT_EQ(urls_->urls.size(), 1);
  EXPECT_EQ(urls_->urls[0], QUrl(u"http://localhost:%1/nothing.html"_s.arg(port)));
  window.OnCommand(kCmdShowAllRows);
  EXPECT_EQ(shown.rowCount(), 3);
  window.OnCommand(kCmdClearList);
  EXPECT_EQ(shown.rowCount(), 0);
}

}  // namespace
}  // namespace ruz::testing
