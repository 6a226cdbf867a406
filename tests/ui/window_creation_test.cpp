// Creating and closing the window, the band, the status list's set-up, and the
// commands that only show or open something.
#include "window_support.h"

#include <QLabel>

#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTreeView>

#include "config/root_path.h"
#include "platform/socket.h"
#include "ui/fact_band.h"
#include "ui/menus.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

TEST(TrimRootSlashTest, DropsOneTrailingSlashButNeverEmptiesTheRoot) {
  const std::pair<std::string, std::string> cases[] = {
      {"www/", "www"}, {"/srv/site/", "/srv/site"}, {"www", "www"},
      {"/", "/"},      {"", ""},                    {"www//", "www/"},
  };
  for (const auto &[root, trimmed] : cases) {
    std::string value = root;
    TrimRootSlash(value);
    EXPECT_EQ(value, trimmed) << root;
  }
}

using WindowCreationTest = WindowTest;

// The server's state as the status bar shows it.
QString StateText(MainWindow &window) {
  auto *state = window.findChild<QLabel *>(u"serverState"_s);
  return state != nullptr ? state->text() : QString();
}

TEST_F(WindowCreationTest, ShowsTheServerFactsAndAConfiguredStatusList) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  EXPECT_EQ(window.windowTitle(), u"Ruzo'sWebserver"_s);
  EXPECT_EQ(window.size(), QSize(646, 432));
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_EQ(window.Band().height(), kFactBandHeight);
  EXPECT_EQ(window.Band().Lines(),
            (QStringList{u"サーバーネーム: testhost"_s, u"ポート番号: %1"_s.arg(port),
                         u"ドキュメントルート: "_s + dir_.path() + u"/www"_s}));
  EXPECT_TRUE(window.statusBar()->isSizeGripEnabled());
  QTreeView &view = window.View();
  EXPECT_FALSE(view.rootIsDecorated());
  EXPECT_FALSE(view.isSortingEnabled());
  EXPECT_FALSE(view.header()->sectionsClickable());
  const int widths[] = {100, 125, 200, 50, 250, 125};
  for (int column = 0; column < kStatusColumns; ++column)
    EXPECT_EQ(view.columnWidth(column), widths[column]) << column;
  EXPECT_EQ(window.Model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
            u"サーバーステータス"_s);
  EXPECT_EQ(context_.isRunning, 1);
  EXPECT_EQ(StateText(window), u"稼働中 ポート %1"_s.arg(port));
  EXPECT_TRUE(CloseWindow());
  EXPECT_EQ(context_.isRunning, 0);
}

TEST_F(WindowCreationTest, MissingIniIsReportedAndTheWindowStillComesUp) {
  auto box = AnswerNextBox();
  MainWindow &window = Open();
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"エラー"_s);
  EXPECT_EQ(box->text, u"ruz.iniのロードに失敗しました"_s);
  EXPECT_EQ(box->icon, QMessageBox::Warning);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(CloseWindow());
}

TEST_F(WindowCreationTest, SettingsThatCannotWorkShareOneBoxAndTheServerStillStarts) {
  WriteIni("[RUZ]\nport=" + std::to_string(FreePort()) + "\nroot=nowhere\n");
  auto box = AnswerNextBox();
  MainWindow &window = Open();
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"エラー"_s);
  const QStringList paragraphs = box->text.split(u"\n\n"_s);
  ASSERT_EQ(paragraphs.size(), 2) << box->text.toStdString();
  EXPECT_TRUE(paragraphs[0].contains(u"ruz.ini の maxconnect"_s));
  EXPECT_TRUE(paragraphs[1].contains(u"ruz.ini の root"_s));
  EXPECT_EQ(context_.isRunning, 1);
  EXPECT_TRUE(StateText(window).contains(u"ruz.ini の maxconnect"_s));
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(CloseWindow());
}

TEST_F(WindowCreationTest, TakenPortIsReportedAndTheWindowStaysUsable) {
  ListenResult holder = ListenTcp(0, 1);
  ASSERT_TRUE(holder.socket.IsValid());
  WriteIni(BasicIni(holder.boundPort));
  auto bindBox = AnswerNextBox();
  MainWindow &window = Open();
  EXPECT_TRUE(bindBox->seen);
  EXPECT_EQ(bindBox->title, u"エラー"_s);
  EXPECT_EQ(bindBox->text, u"ソケットのバインドに失敗しました\nポート %1: 他のプログラムが使用中です"_s
                               .arg(holder.boundPort));
  EXPECT_EQ(context_.isRunning, 0);
  EXPECT_EQ(StateText(window), u"停止中 — ポート %1: 他のプログラムが使用中です"_s.arg(holder.boundPort));
  auto about = AnswerNextBox();
  window.OnCommand(kCmdAbout);
  EXPECT_TRUE(about->seen);
  EXPECT_TRUE(CloseWindow());
}

TEST_F(WindowCreationTest, AboutBoxShowsTheVersionUnderItsOwnTitle) {
  WriteIni(BasicIni(FreePort()));
  MainWindow &window = Open();
  QPixmap icon;
  QString informative;
  auto box = std::make_shared<SeenBox>();
  OnNextModal([&, box](QWidget *modal) {
    auto *about = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(about, nullptr);
    box->seen = true;
    box->title = about->windowTitle();
    box->text = about->text();
    icon = about->iconPixmap();
    informative = about->informativeText();
    about->accept();
  });
  window.OnCommand(kCmdAbout);
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"Ruzo'sWebserver のバージョン情報"_s);
  EXPECT_EQ(box->text, u"Ruzo'sWebserver Ver1.0"_s);
  EXPECT_FALSE(icon.isNull());
  EXPECT_FALSE(informative.isEmpty());
}

TEST_F(WindowCreationTest, OpenCommandsAskForTheLogHelpReadmeAndWebPage) {
  WriteIni(BasicIni(FreePort(), "logname=logs/access.log\n"));
  MainWindow &window = Open();
  for (int id : {kCmdOpenLog, kCmdHelp, kCmdReadme, kCmdWebSite}) window.OnCommand(id);
  ASSERT_EQ(urls_->urls.size(), 4);
  EXPECT_EQ(urls_->urls[0], QUrl::fromLocalFile(dir_.path() + u"/logs/access.log"_s));
  EXPECT_EQ(urls_->urls[1], QUrl::fromLocalFile(dir_.path() + u"/ruz.html"_s));
  EXPECT_EQ(urls_->urls[2], QUrl::fromLocalFile(dir_.path() + u"/readme.txt"_s));
  EXPECT_EQ(urls_->urls[3].scheme(), u"http"_s);
}

TEST_F(WindowCreationTest, TranslucencyIsReportedMissingWhereItCannotShow) {
  WriteIni(BasicIni(FreePort()));
  MainWindow &window = Open();
  auto box = AnswerNextBox();
  window.OnCommand(kCmdTranslucent);
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"エラー"_s);
  EXPECT_EQ(box->text, u"ウインドウの半透明化に失敗しました"_s);
  EXPECT_EQ(box->icon, QMessageBox::Warning);
  EXPECT_FALSE(window.IsTranslucent());
  EXPECT_FALSE(window.MenuAction(kCmdTranslucent)->isChecked());
  EXPECT_EQ(window.windowOpacity(), 1.0);
}

TEST_F(WindowCreationTest, WithoutATrayHostTheWindowIsMinimisedNeverHidden) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  WriteIni(BasicIni(FreePort()));
  MainWindow &window = Open();
  window.OnCommand(kCmdHide);
  EXPECT_TRUE(WaitFor([&] { return window.isMinimized(); }, 2000));
  QTest::qWait(0);  // the deferred hide, had there been one, runs here
  EXPECT_TRUE(window.isVisible());
  window.setWindowState(Qt::WindowMinimized);
  QTest::qWait(0);
  EXPECT_TRUE(window.isVisible());
}

TEST_F(WindowCreationTest, TrayClickRestoresAndTrayMenuOpensAtTheCursor) {
  WriteIni(BasicIni(FreePort()));
  MainWindow &window = Open();
  window.setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
  window.hide();
  Q_EMIT window.Tray().activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
  Q_EMIT window.Tray().activated(QSystemTrayIcon::Context);
  QMenu &menu = window.TrayMenu();
  EXPECT_TRUE(WaitFor([&] { return menu.isVisible(); }, 2000));
  menu.close();
}

}  // namespace
}  // namespace ruz::testing
