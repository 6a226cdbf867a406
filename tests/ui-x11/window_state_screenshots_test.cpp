// Pictures of the window's states for a person (make screenshots): the status
// bar and tray tip, the decoded path column with its copy menu, the about box
// and the tray menu, taken from the screen with the window manager's frame.
// Run only with --gtest_also_run_disabled_tests and RUZ_SCREENSHOT_DIR set.
#include "window_support.h"

#include <QAbstractButton>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeView>

#include "platform/socket.h"
#include "ui/menus.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

constexpr int kPiece = 64 * 1024;

class StateScreenshotTest : public WindowTest {
 protected:
  static QString Dir() { return qEnvironmentVariable("RUZ_SCREENSHOT_DIR", u"."_s); }

  /// The screen's pixels of area, decorations and all.
  static void SaveArea(const QRect &area, const char *name) {
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    EXPECT_TRUE(shot.save(Dir() + u"/"_s + QString::fromLatin1(name) + u".png"_s)) << name;
  }

  /// The widget as the screen shows it, with its window frame.
  static void SaveFramed(QWidget *widget, const char *name) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    QTest::qWait(300);  // the window manager draws its frame, the window its rows
    SaveArea(widget->frameGeometry().adjusted(-2, -2, 2, 2), name);
  }

  /// Saves the next message box with its frame, then closes it.
  static void SaveNextBox(const char *name) {
    OnNextModal(
        [name](QWidget *modal) {
          SaveFramed(modal, name);
          modal->close();
        },
        &QMessageBox::staticMetaObject);
  }

  /// Qt's tray icon once it is docked in the tray host at the bottom edge.
  static QWidget *DockedTrayIcon() {
    QWidget *found = nullptr;
    WaitFor([&] {
      for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"QSystemTrayIconSys"_s && widget->isVisible() &&
            widget->mapToGlobal(QPoint(0, 0)).y() > widget->screen()->geometry().height() / 2)
          found = widget;
      }
      return found != nullptr;
    });
    return found;
  }

  /// The real pointer moved (and clicked with button, 0 for none) at a point.
  static void Pointer(const QPoint &at, int button = 0) {
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();  // xdotool's pixels
    QStringList args = {u"mousemove"_s, QString::number(qRound(at.x() * ratio)),
                        QString::number(qRound(at.y() * ratio))};
    if (button != 0) args << u"click"_s << QString::number(button);
    QProcess::execute(u"xdotool"_s, args);
  }

  /// Saves the bottom-right corner of the screen, where the tray and its pop-ups are.
  static void SaveTrayCorner(const char *name) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    SaveArea(QRect(screen.right() - 600, screen.bottom() - 300, 601, 301), name);
  }
};

TEST_F(StateScreenshotTest, DISABLED_ScreenshotStatusBarAndTrayTip) {
  WriteFile("www/big.bin", std::string(32 * kPiece, 'x'));
  const int port = FreePort();
  WriteIni(BasicIni(port, "sendwait=100\n"));
  MainWindow &main = Open();
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return main.StateText().contains(u"接続 1/"_s); }));
  SaveFramed(&main, "state-running");

  QWidget *icon = DockedTrayIcon();
  if (icon != nullptr) {
    Pointer(icon->mapToGlobal(icon->rect().center()));
    WaitFor([] {
      for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible()) return true;
      return false;
    }, 5000);
    QTest::qWait(500);  // the tip fades in
    SaveTrayCorner("state-tray-tip");
    Pointer(QPoint(10, 10));
  }

  main.Restart();
  ASSERT_TRUE(main.IsBusy());
  SaveFramed(&main, "state-restarting");
  ASSERT_TRUE(WaitFor([&] { return !main.IsBusy(); }, 30000));
  window_.reset();

  ListenResult holder = ListenTcp(0, 1);
  WriteIni(BasicIni(holder.boundPort));
  SaveNextBox("state-bind-warning");
  SaveFramed(&Open(), "state-bind-failure");
  QTest::qWait(300);  // the greyed icon reaches the tray host
  SaveTrayCorner("state-tray-stopped");
}

TEST_F(StateScreenshotTest, DISABLED_ScreenshotRestartQuestionAndWaits) {
  WriteFile("www/big.bin", std::string(64 * kPiece, 'x'));
  const int port = FreePort();
  WriteIni(BasicIni(port, "sendwait=100\nstopwait=2000\n"));
  MainWindow &main = Open();
  Fetch slow(port, "/big.bin");
  ASSERT_TRUE(WaitFor([&] { return main.StateText().contains(u"接続 1/"_s); }));
  OnNextModal(
      [](QWidget *modal) {
        SaveFramed(modal, "restart-question");
        modal->findChild<QAbstractButton *>(u"stopAfter"_s)->click();
      },
      &QMessageBox::staticMetaObject);
  main.RestartAsked();
  ASSERT_TRUE(main.IsWaitingForTransfers());
  SaveFramed(&main, "state-waiting-for-transfers");
  OnNextModal([](QWidget *modal) { modal->findChild<QAbstractButton *>(u"stopNow"_s)->click(); },
              &QMessageBox::staticMetaObject);
  main.RestartAsked();
  ASSERT_TRUE(main.IsBusy());
  SaveFramed(&main, "state-restart-countdown");
  ASSERT_TRUE(WaitFor([&] { return !main.IsBusy(); }, 60000));
  SaveFramed(&main, "state-cut-by-restart");
  window_.reset();

  WriteIni("[RUZ]\nsrvname=testhost\nport=" + std::to_string(FreePort()) +
           "\nroot=www/\nmaxconnect=0\n");
  SaveNextBox("state-no-slots-warning");
  SaveFramed(&Open(), "state-no-slots");
}

TEST_F(StateScreenshotTest, DISABLED_ScreenshotDecodedPathsAndCopyMenu) {
  WriteFile("www/日本語/案内.html", "<p>案内</p>");
  const int port = FreePort();
  WriteIni(BasicIni(port, "filelist=1\n"));
  MainWindow &main = Open();
  for (const char *path : {"/", "/%E6%97%A5%E6%9C%AC%E8%AA%9E/", "/%E6%97%A5%E6%9C%AC%E8%AA%9E/%E6%A1%88%E5%86%85.html",
                           "/%93%FA%96%7B%8C%EA/", "/missing.html?q=%E6%A4%9C%E7%B4%A2"}) {
    Fetch fetch(port, path);
    ASSERT_TRUE(WaitFor([&] { return fetch.Done(); }));
  }
  WaitFor([&] { return main.Model().RowCount() == 5 && !main.Model().Cell(0, kColResponse).isEmpty(); });
  SaveFramed(&main, "status-paths");

  QTreeView &view = main.View();
  const QRect cell = view.visualRect(main.Model().index(1, kColPath));
  Q_EMIT view.customContextMenuRequested(cell.center());
  auto *menu = view.findChild<QMenu *>(u"statusCopyMenu"_s);
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QTest::qWait(300);
  SaveArea(main.frameGeometry().united(menu->geometry()), "status-copy-menu");
  menu->close();
}

TEST_F(StateScreenshotTest, DISABLED_ScreenshotAboutBoxAndTrayMenu) {
  WriteIni(BasicIni(FreePort()));
  MainWindow &main = Open();
  SaveNextBox("about-framed");
  main.OnCommand(kCmdAbout);

  QWidget *icon = DockedTrayIcon();
  ASSERT_NE(icon, nullptr) << "no tray host";
  Pointer(icon->mapToGlobal(icon->rect().center()), 3);
  ASSERT_TRUE(WaitFor([&] { return main.TrayMenu().isVisible(); }, 5000));
  QTest::qWait(300);
  SaveTrayCorner("tray-menu-real");
  main.TrayMenu().close();
}

}  // namespace
}  // namespace ruz::testing
