// Pictures of the ten option pages and the seven dialogs for a person to look
// at; not part of the test run. scripts/options-screenshots runs it.
#include <QDir>
#include <QLayout>
#include <QTabWidget>

#include "options_fixture.h"
#include "ui/options/entry_dialog.h"

namespace ruz::testing {
namespace {

std::string SampleIni() {
  return Utf8ToCp932(
      "[RUZ]\r\nsrvname=るぞサーバー\r\nport=8080\r\nroot=www\r\ndefmime=text/plain\r\n"
      "index=index.html,index.htm\r\nfilelist=1\r\nlogwrite=1\r\n"
      "logformat=%Host% - - [%Day%/%MonthString%/%Year%] \"%MethodUrl%\" %ResponseCode%\r\n"
      "mem=1\r\nbufmax=8192\r\nlogname=logs/access.log\r\nrunning=1\r\nssi=1\r\n"
      "ssiexts=.shtml,.shtm\r\nnocgissi=/upload/*,/tmp/*\r\nauth=1\r\nalias=1\r\ndeny=1\r\n"
      "errpage=1\r\ndnsopt=1\r\nmaxconnect=20\r\n"
      "[cgi0]\r\nextension=.pl,.cgi\r\nfileheader=#!/usr/bin/perl\r\n"
      "cmdline=perl \"%filepath%\" \"%query%\"\r\n"
      "[cgi1]\r\nextension=.py\r\nfileheader=\r\ncmdline=python3 \"%filepath%\"\r\n"
      "[alias0]\r\nserverpath=/写真/\r\nlocalpath=/home/ruz/写真\r\n"
      "[alias1]\r\nserverpath=/docs/\r\nlocalpath=/srv/docs\r\n"
      "[deny0]\r\npath=/private/*\r\nallow=127.0.0.1,192.168.*\r\ndeny=*\r\n"
      "[errpage0]\r\nerrcode=404\r\nerrfile=errors/404.html\r\n"
      "[errpage1]\r\nerrcode=403\r\nerrfile=errors/403.html\r\n"
      "[mime0]\r\nextension=.html,.htm\r\nmimetype=text/html\r\n"
      "[mime1]\r\nextension=.png\r\nmimetype=image/png\r\n"
      "[user0]\r\nname=山田\r\npassword=himitsu\r\n"
      "[auth0]\r\nname=会員専用\r\npath=/members/*,/private/*\r\nuser=山田,guest\r\n");
}

class OptionsScreenshotTest : public OptionsTest {};

TEST_F(OptionsScreenshotTest, DISABLED_Screenshots) {
  const QString out = qEnvironmentVariableIsEmpty("RUZ_SCREENSHOT_DIR")
                          ? QStringLiteral("/tmp/options-shots")
                          : qEnvironmentVariable("RUZ_SCREENSHOT_DIR");
  ASSERT_TRUE(QDir().mkpath(out));
  WriteIni(SampleIni());
  OptionsSheet &sheet = OpenSheet();
  for (int page = 0; page < kOptionsPageCount; ++page) {
    ShowPage(page);
    QApplication::processEvents();
    sheet.layout()->activate();
    sheet.resize(sheet.sizeHint());  // adjustSize() would cap it at the small offscreen screen
    QApplication::processEvents();
    const QString name = QStringLiteral("%1/page-%2.png").arg(out).arg(page + 1, 2, 10, QChar(u'0'));
    EXPECT_TRUE(sheet.grab().save(name)) << name.toStdString();
  }
  const char *names[kListKindCount] = {"cgi", "alias", "deny", "errpage", "mime", "user", "auth"};
  const EntryBlock samples[kListKindCount] = {
      {".pl,.cgi", "#!/usr/bin/perl", "perl \"%filepath%\" \"%query%\""},
      {Utf8ToCp932("/写真/"), Utf8ToCp932("/home/ruz/写真")},
      {"/private/*", "127.0.0.1,192.168.*", "*"},
      {"404", "errors/404.html"},
      {".html,.htm", "text/html"},
      {Utf8ToCp932("山田"), "himitsu"},
      {Utf8ToCp932("会員専用"), "/members/*", Utf8ToCp932("山田,guest")},
  };
  for (int kind = 0; kind < kListKindCount; ++kind) {
    EntryDialog dialog(nullptr, EntryDialogTemplate(static_cast<ListKind>(kind)), samples[kind],
                       memory_);
    dialog.show();
    dialog.resize(dialog.sizeHint());
    QApplication::processEvents();
    const QString name = QStringLiteral("%1/dialog-%2.png").arg(out, QString::fromLatin1(names[kind]));
    EXPECT_TRUE(dialog.grab().save(name)) << name.toStdString();
  }
}

}  // namespace
}  // namespace ruz::testing
