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

TEST(QrCodeTest, ReadsBackAsTheAddressItWasMadeOf) {
  const QString scanner = QStandardPaths::findExecutable(u"zbarimg"_s);
  if (scanner.isEmpty()) GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";
  QTemporaryDir dir;
  for (const QString &address : {u"http://192.168.1.20:8080/"_s,
                                 u"https://[2001:db8:1234:5678::10]:8443/"_s}) {
    const QImage image = QrCodeImage(address, 6);
    ASSERT_FALSE(image.isNull());
    const QString file = dir.filePath(u"code.png"_s);
    ASSERT_TRUE(image.save(file));
    QProcess zbar;
    zbar.start(scanner, {u"--quiet"_s, u"--raw"_s, file});
    ASSERT_TRUE(zbar.waitForFinished(20000));
    EXPECT_EQ(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(), address);
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
  window.OnCommand(kCmdShowAllRows);
  EXPECT_EQ(shown.rowCount(), 3);
  window.OnCommand(kCmdClearList);
  EXPECT_EQ(shown.rowCount(), 0);
}

}  // namespace
}  // namespace ruz::testing
