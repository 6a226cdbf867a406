// The tray icon and translucency on a real X server with a tray host.
#include "window_support.h"

#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

#include "ui/menus.h"
#include "ui/translucency.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

class X11TrayTest : public WindowTest {
 protected:
  /// Qt's tray icon window; fails the test when it is missing.
  QWidget *TrayWidget() {
    QWidget *found = nullptr;
    WaitFor([&] {
      for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == u"QSystemTrayIconSys"_s && widget->isVisible()) found = widget;
      return found != nullptr;
    });
    if (!found) {
      ADD_FAILURE() << "Qt's tray widget QSystemTrayIconSys is missing";
      return nullptr;
    }
    // The icon is embedded into the tray host at the bottom edge some time
    // after it is shown; clicks before that land where the icon no longer is.
    const int bottomHalf = found->screen()->geometry().height() / 2;
    if (!WaitFor([&] { return found->mapToGlobal(QPoint(0, 0)).y() > bottomHalf; }, 5000))
      ADD_FAILURE() << "the tray icon was not docked at the bottom edge";
    return found;
  }

  MainWindow &OpenWithTray() {
    EXPECT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
        << "no tray host";
    WriteIni(BasicIni(FreePort()));
    return Open();
  }

  /// Minimising hides the window (there is a tray host).
  void MinimiseAway(MainWindow &window) {
    window.showMinimized();
    ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }, 5000));
  }
};

TEST_F(X11TrayTest, LeftClickOnTheIconRestoresAWindowHiddenByMinimising) {
  MainWindow &window = OpenWithTray();
  QWidget *tray = TrayWidget();
  ASSERT_NE(tray, nullptr);
  MinimiseAway(window);
  QTest::mouseClick(tray, Qt::LeftButton);
  EXPECT_TRUE(WaitFor([&] { return window.isVisible() && !window.isMinimized(); }, 5000));
}

TEST_F(X11TrayTest, RightClickOpensTheMenuAboveTheCursorAndItsQuitEnds) {
  MainWindow &window = OpenWithTray();
  QWidget *tray = TrayWidget();
  ASSERT_NE(tray, nullptr);
  const QPoint centre = tray->mapToGlobal(tray->rect().center());
  QCursor::setPos(centre);
  ASSERT_TRUE(WaitFor([&] { return QCursor::pos() == centre; }, 5000));
  QTest::mouseClick(tray, Qt::RightButton, {}, tray->rect().center());
  QMenu &menu = window.TrayMenu();
  ASSERT_TRUE(WaitFor([&] { return menu.isVisible(); }, 5000));
  EXPECT_EQ(menu.geometry().bottom() + 1, centre.y());
  QAction *quit = FindCommandAction(menu, kCmdQuit);
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->text(), u"終了(&Q)"_s);
  QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(quit).center());
  EXPECT_TRUE(WaitFor([&] { return window.IsClosed(); }, 5000));
  EXPECT_EQ(context_.isRunning, 0);
}

TEST_F(X11TrayTest, ARealPointerClickOnTheIconBringsTheWindowBack) {
  MainWindow &window = OpenWithTray();
  QWidget *tray = TrayWidget();
  ASSERT_NE(tray, nullptr);
  MinimiseAway(window);
  const QPoint centre = tray->mapToGlobal(tray->rect().center());
  QProcess xdotool;
  xdotool.start(u"xdotool"_s, {u"mousemove"_s, QString::number(centre.x()),
                               QString::number(centre.y()), u"click"_s, u"1"_s});
  ASSERT_TRUE(WaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(xdotool.exitCode(), 0);
  EXPECT_TRUE(WaitFor([&] { return window.isVisible() && !window.isMinimized(); }, 5000));
}

TEST_F(X11TrayTest, TranslucencyFailsWithoutACompositingManager) {
  MainWindow &window = OpenWithTray();
  ASSERT_FALSE(TranslucencyPossible());
  auto box = AnswerNextBox();
  window.OnCommand(kCmdTranslucent);
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"エラー"_s);
  EXPECT_EQ(box->text, u"ウインドウの半透明化に失敗しました"_s);
  EXPECT_FALSE(window.MenuAction(kCmdTranslucent)->isChecked());
  EXPECT_FALSE(X11WindowOpacity(window).has_value());
}

TEST_F(X11TrayTest, CompositorMakesTheWindowTranslucentAndBackOpaque) {
  MainWindow &window = OpenWithTray();
  ASSERT_TRUE(WaitFor([] { return TranslucencyPossible(); }, 10000)) << "no compositing manager";
  window.OnCommand(kCmdTranslucent);
  EXPECT_TRUE(window.IsTranslucent());
  EXPECT_TRUE(window.MenuAction(kCmdTranslucent)->isChecked());
  EXPECT_DOUBLE_EQ(window.windowOpacity(), 150.0 / 255.0);
  ASSERT_TRUE(WaitFor([&] { return X11WindowOpacity(window).has_value(); }, 5000));
  EXPECT_EQ(*X11WindowOpacity(window), 0x96969696u);
  window.OnCommand(kCmdTranslucent);
  EXPECT_FALSE(window.IsTranslucent());
  EXPECT_FALSE(window.MenuAction(kCmdTranslucent)->isChecked());
  EXPECT_DOUBLE_EQ(window.windowOpacity(), 1.0);
  const auto opacity = X11WindowOpacity(window);
  EXPECT_TRUE(!opacity || *opacity == 0xffffffffu);
}

}  // namespace
}  // namespace ruz::testing
