// Pictures of the options sheet as the window opens it, for a person (make
// screenshots): run only with --gtest_also_run_disabled_tests and
// RUZ_SCREENSHOT_DIR set. The names carry the scale (QT_SCALE_FACTOR), so that
// runs at 1 and at 1.5 sit side by side.
#include "window_support.h"

#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include "ui/menus.h"
#include "ui/options/options_sheet.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

// Every list holds a row or two, with the long cells that crowd a page.
const char kSheetIni[] =
    "logwrite=1\nlogname=logs/access.log\nrunning=1\nssi=1\nssiexts=.shtml,.shtm\n"
    "nocgissi=/upload/*,/tmp/*\nalias=1\ndeny=1\nerrpage=1\nauth=1\ndnsopt=1\n"
    "[cgi0]\nextension=.pl,.cgi\nfileheader=#!/usr/bin/perl\ncmdline=perl \"%filepath%\"\n"
    "[cgi1]\nextension=.py\ncmdline=python3\n"
    "[alias0]\nserverpath=/写真/\nlocalpath=../写真\n"
    "[deny0]\npath=/private/*\nallow=127.0.0.1,192.168.*\ndeny=*\n"
    "[errpage0]\nerrcode=404\nerrfile=www/errors/404.html\n"
    "[mime0]\nextension=.html,.htm\nmimetype=text/html\n"
    "[user0]\nname=山田\npassword=himitsu\n"
    "[auth0]\nname=会員専用\npath=/members/*\nuser=山田,guest\n";

class SheetScreenshotTest : public WindowTest {};

TEST_F(SheetScreenshotTest, DISABLED_ScreenshotSheet) {
  WriteFile("logs/access.log", "");
  WriteIni(BasicIni(FreePort(), kSheetIni));
  MainWindow &main = Open();
  const QString stem = qEnvironmentVariable("RUZ_SCREENSHOT_DIR", u"."_s) + u"/sheet-"_s +
                       QString::number(main.devicePixelRatio()) + u"x-"_s;
  bool seen = false;
  OnNextModal(
      [&](QWidget *modal) {
        auto *sheet = qobject_cast<OptionsSheet *>(modal);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
        for (int page = 0; page < kOptionsPageCount; ++page) {
          sheet->Tabs()->setCurrentIndex(page);
          QTest::qWait(50);  // painted
          const QString name = u"%1page-%2.png"_s.arg(stem).arg(page + 1, 2, 10, QChar(u'0'));
          EXPECT_TRUE(sheet->grab().save(name)) << name.toStdString();
        }
        sheet->Tabs()->setCurrentIndex(2);  // the tallest page, over the window
        QTest::qWait(50);
        EXPECT_TRUE(sheet->screen()->grabWindow(0).save(stem + u"screen.png"_s));
        seen = true;
        sheet->reject();
      },
      &OptionsSheet::staticMetaObject);
  main.OnCommand(kCmdOptions);
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace ruz::testing
