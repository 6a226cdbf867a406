// Pictures for a person (make screenshots): run only with
// --gtest_also_run_disabled_tests and RUZ_SCREENSHOT_DIR set.
#include "window_support.h"

#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QTest>

#include "platform/socket.h"
#include "ui/menus.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

class ScreenshotTest : public WindowTest {
 protected:
  void Save(QWidget *widget, const char *name) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    QTest::qWait(50);  // one turn of the event loop, or the picture is black
    const QString dir = qEnvironmentVariable("RUZ_SCREENSHOT_DIR", u"."_s);
    EXPECT_TRUE(widget->grab().save(dir + u"/"_s + QString::fromLatin1(name) + u".png"_s));
  }

  /// Grabs the next message box as name, then closes it.
  void GrabNextModal(const char *name) {
    OnNextModal(
        [this, name](QWidget *modal) {
          Save(modal, name);
          modal->close();
        },
        &QMessageBox::staticMetaObject);
  }
};

TEST_F(ScreenshotTest, DISABLED_Screenshots) {
  GrabNextModal("warning-ini");
  Open();
  window_.reset();

  ListenResult holder = ListenTcp(0, 1);
  WriteIni(BasicIni(holder.boundPort));
  GrabNextModal("warning-bind");
  Open();
  window_.reset();

  WriteFile("www/日本語/案内.html", "<p>案内</p>");
  const int port = FreePort();
  WriteIni(BasicIni(port, "filelist=1\n"));
  MainWindow &main = Open();
  for (const char *path : {"/", "/index.html", "/missing.html", "/%E6%97%A5%E6%9C%AC%E8%AA%9E/",
                           "/%E6%97%A5%E6%9C%AC%E8%AA%9E", "/x?q=1"}) {
    Fetch fetch(port, path);
    ASSERT_TRUE(WaitFor([&] { return fetch.Done(); }));
  }
  WaitFor([&] { return !main.Model().Cell(0, kColResponse).isEmpty(); });
  Save(&main, "main-window");

  main.TrayMenu().popup(main.mapToGlobal(QPoint(200, 200)));
  Save(&main.TrayMenu(), "tray-menu");
  main.TrayMenu().close();

  GrabNextModal("about");
  main.OnCommand(kCmdAbout);
  GrabNextModal("warning-translucency");
  main.OnCommand(kCmdTranslucent);

  // ruz.ini turned into a directory makes both copies fail.
  QDir(dir_.path()).remove(u"ruz.ini"_s);
  QDir(dir_.path()).mkdir(u"ruz.ini"_s);
  WriteFile("other.ini", "[RUZ]\n");
  AnswerNextFileDialog(dir_.path() + u"/other.ini"_s);
  GrabNextModal("warning-import");
  main.OnCommand(kCmdImport);
  AnswerNextFileDialog(dir_.path() + u"/exported.ini"_s);
  GrabNextModal("warning-export");
  main.OnCommand(kCmdExport);

  GrabNextModal("update-offer");
  QMetaObject::invokeMethod(&main.Checker(), "Finished", Q_ARG(bool, true),
                            Q_ARG(QByteArray, QByteArray("Ruzo'sWebserver/1.1")));
}

}  // namespace
}  // namespace ruz::testing
