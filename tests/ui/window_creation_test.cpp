// Creating and closing the window, the band, the status list's set-up, and the
// commands that only show or open something.
#include "window_support.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTreeView>

#include "config/root_path.h"
#include "platform/socket.h"
#include "ui/fact_band.h"
#include "ui/log_viewer.h"
#include "ui/menus.h"
#include "ui/qt_setup.h"
#include "ui/external_open.h"
#include "ui/window_placement.h"

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

TEST_F(WindowCreationTest, ShowsTheServerFactsAndAConfiguredStatusList) {
  const int port = FreePort();
  WriteIni(BasicIni(port));
  MainWindow &window = Open();
  EXPECT_EQ(window.windowTitle(), u"Ruzo'sWebserver"_s);
  EXPECT_GE(window.width(), 646);
  EXPECT_FALSE(window.windowIcon().isNull());
  FactBand &band = window.Band();
  EXPECT_GE(band.height(), kFactBandHeight);
  EXPECT_GE(band.LineStep(), 18);
  EXPECT_EQ(band.Lines(),
            (QStringList{u"サーバーネーム: testhost"_s, u"ポート番号: %1"_s.arg(port),
                         u"ドキュメントルート: "_s + dir_.path() + u"/www"_s}));
  EXPECT_TRUE(window.statusBar()->isSizeGripEnabled());
  QTreeView &view = window.View();
  EXPECT_FALSE(view.rootIsDecorated());
  EXPECT_FALSE(view.isSortingEnabled());
  EXPECT_FALSE(view.header()->sectionsClickable());
  // Every column fits its typical content, the path takes what the window has
  // left, and all of them fit the window.
  for (int column = 0; column < kStatusColumns; ++column) {
    if (column == kColPath) continue;
    EXPECT_GT(view.columnWidth(column),
              view.fontMetrics().horizontalAdvance(StatusModel::ColumnSample(column)))
        << column;
  }
  EXPECT_EQ(view.header()->sectionResizeMode(kColPath), QHeaderView::Stretch);
  EXPECT_EQ(view.header()->length(), view.viewport()->width());
  EXPECT_EQ(window.Model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
            u"サーバーステータス"_s);
  EXPECT_EQ(context_.isRunning, 1);
  EXPECT_EQ(window.StateText(), u"稼働中 ポート %1 ｜ 接続 0/64"_s.arg(port));
  EXPECT_EQ(window.Tray().toolTip(), u"Ruzo'sWebserver ｜ "_s + window.StateText());
  EXPECT_EQ(window.Tray().icon().pixmap(16).toImage(), RuzIcon().pixmap(16).toImage());
  // A client locked out for guessing passwords is named after the state.
  ASSERT_NE(context_.authThrottle, nullptr);
  context_.authThrottle->Tell("192.0.2.7: locked");
  ASSERT_TRUE(WaitFor([&] { return window.StateText().endsWith(u" ｜ 192.0.2.7: locked"_s); }));
  // The build names no web site: the item for it is hidden.
  EXPECT_FALSE(window.MenuAction(kCmdWebSite)->isVisible());
  // Cut lines and cells lose their middle, never the file name; the band
  // then shows its whole lines as the tooltip.
  EXPECT_EQ(view.textElideMode(), Qt::ElideMiddle);
  EXPECT_EQ(band.toolTip(), QString());
  window.resize(window.minimumSizeHint().width(), window.height());
  band.resize(120, band.height());
  band.repaint();
  EXPECT_TRUE(band.toolTip().contains(u"ドキュメントルート: "_s + dir_.path() + u"/www"_s));
  // A larger font makes the band taller instead of overlapping its lines.
  QFont large = band.font();
  large.setPointSize(large.pointSize() * 3);
  band.setFont(large);
  EXPECT_GE(band.LineStep(), band.fontMetrics().lineSpacing());
  EXPECT_GE(band.height(), 3 * band.LineStep());
  EXPECT_TRUE(CloseWindow());
  EXPECT_EQ(context_.isRunning, 0);
}

TEST_F(WindowCreationTest, HttpsPortAndMadeCertificateShowInTheStatusBar) {
  const int port = FreePort();
  const int tlsPort = FreePort();
  WriteIni(BasicIni(port, "tlsport=" + std::to_string(tlsPort) + "\n"));
  MainWindow &window = Open();
  ASSERT_EQ(context_.isRunning, 1);
  EXPECT_EQ(window.StateText(), u"稼働中 ポート %1 HTTPS %2 ｜ 接続 0/64"_s.arg(port).arg(tlsPort));
  auto *certificate = window.statusBar()->findChild<QLabel *>(u"certificateFingerprint"_s);
  ASSERT_NE(certificate, nullptr);
  EXPECT_FALSE(certificate->isHidden());
  EXPECT_EQ(certificate->text(), u"SHA-256 "_s + QString::fromStdString(context_.tlsFingerprint));
  EXPECT_TRUE(certificate->toolTip().contains(u"作成した"_s));
  EXPECT_GE(certificate->width(), certificate->sizeHint().width());
  EXPECT_EQ(context_.tlsFingerprint.size(), 32u * 3 - 1);
  auto *copy = certificate->findChild<QAction *>(u"copyFingerprint"_s);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(certificate->contextMenuPolicy(), Qt::ActionsContextMenu);
  copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(context_.tlsFingerprint));
  EXPECT_TRUE(CloseWindow());
}

TEST_F(WindowCreationTest, MissingIniIsReportedAndTheWindowStillComesUp) {
  auto box = AnswerNextBox();
  MainWindow &window = Open();
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"Ruzo'sWebserver"_s);  // which instance complains
  EXPECT_TRUE(box->overShownWindow);
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
  EXPECT_EQ(box->title, u"Ruzo'sWebserver"_s);
  const QStringList paragraphs = box->text.split(u"\n\n"_s);
  ASSERT_EQ(paragraphs.size(), 2) << box->text.toStdString();
  // The window points to the sheet's fields, and the state says nothing is accepted.
  EXPECT_TRUE(paragraphs[0].contains(u"設定 → オプション → サーバー の「最大同時接続数」"_s));
  EXPECT_TRUE(paragraphs[1].contains(u"設定 → オプション → サーバー の「ドキュメントルート」"_s));
  EXPECT_EQ(context_.isRunning, 1);
  EXPECT_TRUE(window.StateText().startsWith(u"稼働中（受付なし） ポート"_s));
  EXPECT_FALSE(window.StateText().contains(u"接続 0/0"_s));
  EXPECT_TRUE(window.StateText().contains(u"最大同時接続数"_s));
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
  EXPECT_EQ(bindBox->title, u"Ruzo'sWebserver"_s);
  EXPECT_TRUE(bindBox->overShownWindow);
  EXPECT_FALSE(bindBox->flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(bindBox->text, u"ソケットのバインドに失敗しました\nポート %1: 他のプログラムが使用中です"_s
                               .arg(holder.boundPort));
  EXPECT_EQ(context_.isRunning, 0);
  EXPECT_EQ(window.StateText(), u"停止中 ｜ ポート %1: 他のプログラムが使用中です"_s.arg(holder.boundPort));
  EXPECT_EQ(window.Tray().toolTip(), u"Ruzo'sWebserver ｜ "_s + window.StateText());
  // Stopped, the tray icon is greyed.
  EXPECT_NE(window.Tray().icon().pixmap(16).toImage(), RuzIcon().pixmap(16).toImage());
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
  int width = 0;
  bool noticeOnOneLine = false;
  auto box = std::make_shared<SeenBox>();
  OnNextModal([&, box](QWidget *modal) {
    auto *about = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(about, nullptr);
    box->seen = true;
    box->title = about->windowTitle();
    box->text = about->text();
    icon = about->iconPixmap();
    informative = about->informativeText();
    width = about->width();
    auto *notice = about->findChild<QLabel *>(u"qt_msgbox_informativelabel"_s);
    // As tall as with all the room in the world: not wrapped.
    noticeOnOneLine = notice != nullptr &&
                      notice->heightForWidth(notice->width()) == notice->heightForWidth(10000);
    about->accept();
  });
  window.OnCommand(kCmdAbout);
  EXPECT_TRUE(box->seen);
  EXPECT_EQ(box->title, u"Ruzo'sWebserver のバージョン情報"_s);
  EXPECT_EQ(box->text, u"Ruzo'sWebserver Ver1.0"_s);
  EXPECT_FALSE(icon.isNull());
  EXPECT_TRUE(informative.contains(u"MIT ライセンス"_s));
  // Sized to its text: the notice on one line, the title in full.
  EXPECT_TRUE(noticeOnOneLine);
  EXPECT_GT(width, window.fontMetrics().horizontalAdvance(box->title));
}

TEST_F(WindowCreationTest, OpenCommandsOpenTheLogViewerHelpReadmeAndWebPageOrSayWhatIsMissing) {
  WriteIni(BasicIni(FreePort(), "logname=logs/access.log\n"));
  MainWindow &window = Open();
  // The log opens in the built-in viewer, which waits for a missing log.
  window.OnCommand(kCmdOpenLog);
  ASSERT_NE(window.Viewer(), nullptr);
  WriteFile("logs/access.log", "GET / 200\r\n");
  window.Viewer()->Poll();
  EXPECT_EQ(window.Viewer()->Text(), u"GET / 200"_s);
  EXPECT_TRUE(urls_->urls.isEmpty());
  const std::pair<int, const char *> files[] = {{kCmdHelp, "ruz.html"}, {kCmdReadme, "readme.txt"}};
  for (const auto &[id, file] : files) {
    auto missing = AnswerNextBox();
    window.OnCommand(id);
    ASSERT_TRUE(missing->seen) << file;
    EXPECT_EQ(missing->title, u"エラー"_s);
    EXPECT_TRUE(missing->text.contains(QString::fromUtf8(file))) << missing->text.toStdString();
    EXPECT_TRUE(missing->text.contains(u"見つかりません"_s));
    WriteFile(file, "");
    window.OnCommand(id);
    ASSERT_FALSE(urls_->urls.isEmpty()) << file;
    EXPECT_EQ(urls_->urls.takeLast(), QUrl::fromLocalFile(dir_.path() + u"/"_s + QString::fromUtf8(file)));
  }
  window.OnCommand(kCmdWebSite);
  ASSERT_EQ(urls_->urls.size(), 1);
  EXPECT_EQ(urls_->urls[0].scheme(), u"http"_s);
}

// The launcher starts but fails (no browser, no handler): a warning names the file.
TEST_F(WindowCreationTest, LauncherFailureIsReportedWithTheFileName) {
  WriteIni(BasicIni(FreePort()));
  WriteFile("ruz.html", "");
  WriteFile("bin/failing-open", "#!/bin/sh\nexit 3\n");
  QFile::setPermissions(QString::fromStdString(Home() + "/bin/failing-open"),
                        QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  MainWindow &window = Open();
  const std::pair<QString, QString> launchers[] = {
      {QString::fromStdString(Home() + "/bin/failing-open"), u"終了コード 3"_s},
      {QString::fromStdString(Home() + "/bin/missing-open"), u"起動できません"_s}};
  for (const auto &[launcher, reason] : launchers) {
    window.Opener().SetProgram(launcher);
    auto warning = AnswerNextBox();
    window.OnCommand(kCmdHelp);
    ASSERT_TRUE(WaitFor([&] { return warning->seen; })) << launcher.toStdString();
    EXPECT_TRUE(warning->text.contains(dir_.path() + u"/ruz.html"_s)) << warning->text.toStdString();
    EXPECT_TRUE(warning->text.contains(reason)) << warning->text.toStdString();
  }
  EXPECT_TRUE(urls_->urls.isEmpty());
}

// A size saved at a smaller scale, near the bottom, ends clear of the panel.
TEST_F(WindowCreationTest, RestoredPlacementFitsTheAvailableArea) {
  WriteIni(BasicIni(FreePort(), "windowx=0\nwindowy=5000\nwindowwidth=50\nwindowheight=20\n"));
  MainWindow &window = Open();
  const QRect area = window.screen()->availableGeometry();
  EXPECT_GE(window.height(), window.minimumSizeHint().height());
  EXPECT_LE(window.y() + window.height(), area.bottom() + 1);
}

TEST(PlacementTest, PullOnScreenMovesAndShrinksIntoTheScreenItOverlapsMost) {
  const QList<QRect> one = {QRect(0, 0, 1280, 800)};
  const QList<QRect> two = {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
  struct Case {
    QRect placement;
    const QList<QRect> &screens;
    QRect pulled;
  };
  const Case cases[] = {
      {QRect(100, 50, 700, 400), one, QRect(100, 50, 700, 400)},
      {QRect(5000, 100, 700, 400), one, QRect(580, 100, 700, 400)},
      {QRect(-300, -50, 700, 400), one, QRect(0, 0, 700, 400)},
      {QRect(10, 10, 2000, 1000), one, QRect(0, 0, 1280, 800)},
      {QRect(1500, 100, 700, 400), two, QRect(1500, 100, 700, 400)},
      {QRect(1300, 900, 700, 400), two, QRect(1300, 680, 700, 400)},
      {QRect(9000, 9000, 700, 400), two, QRect(580, 400, 700, 400)},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(PullOnScreen(c.placement, c.screens), c.pulled)
        << c.placement.x() << "," << c.placement.y() << " on " << c.screens.size();
  }
}

TEST_F(WindowCreationTest, PositionAndSizeSurviveHidingAndARestartOfTheProgram) {
  WriteIni(BasicIni(FreePort()));
  const QRect placed(40, 50, 700, 400);
  MainWindow &first = Open();
  first.move(placed.topLeft());
  first.resize(placed.size());
  ASSERT_TRUE(WaitFor([&] { return first.pos() == placed.topLeft(); }, 2000));
  first.hide();
  first.move(300, 200);  // as a window manager may do with a window it maps again
  Q_EMIT first.Tray().activated(QSystemTrayIcon::Trigger);
  EXPECT_EQ(QRect(first.pos(), first.size()), placed);
  EXPECT_TRUE(CloseWindow());
  const std::string ini = ReadFile("ruz.ini");
  for (const char *line : {"windowx=40", "windowy=50", "windowwidth=700", "windowheight=400"})
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  window_.reset();
  MainWindow &second = Open();
  EXPECT_EQ(QRect(second.pos(), second.size()), placed);
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
