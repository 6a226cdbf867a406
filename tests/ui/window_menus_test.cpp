// The two menus: texts, ids, separators and check marks, as the operator sees them.
#include "window_support.h"

#include <QMenu>
#include <QMenuBar>

#include "ui/menus.h"

namespace ruz::testing {
namespace {

using namespace Qt::StringLiterals;

/// "text[id]" per item, "-" per separator, "*" after a checkable item.
QStringList Describe(const QMenu &menu) {
  QStringList items;
  for (QAction *action : menu.actions()) {
    if (action->isSeparator()) {
      items << u"-"_s;
      continue;
    }
    QString item = u"%1[%2]"_s.arg(action->text()).arg(action->data().toInt());
    if (action->isCheckable()) item += u'*';
    items << item;
  }
  return items;
}

TEST(MenusTest, MainMenuHasTheFourMenusWithTheirItemsInOrder) {
  QMenuBar bar;
  QList<int> ran;
  BuildMainMenu(bar, [&](int id) { ran << id; });
  const QList<QAction *> menus = bar.actions();
  ASSERT_EQ(menus.size(), 4);
  const QStringList titles = {u"ファイル(&F)"_s, u"表示(&V)"_s, u"設定(&I)"_s, u"ヘルプ(&H)"_s};
  const QList<QStringList> items = {
      {u"通信ログ(&L)[1]"_s, u"終了(&Q)[3]"_s},
      {u"ウインドウを隠す(&W)[4]"_s, u"半透明化(&S)[5]*"_s, u"-"_s, u"トラフィック(&T)[20]*"_s, u"-"_s,
       u"すべて(&A)[21]*"_s, u"エラーのみ(&E)[22]*"_s, u"一覧をクリア(&C)[23]"_s},
      {u"オプション(&O)...[6]"_s, u"-"_s, u"インポート(&I)...[7]"_s, u"エクスポート(&E)...[8]"_s},
      {u"ヘルプ(&H)[13]"_s, u"&Readme.txt[14]"_s, u"-"_s, u"Ruzo'sWebserver Web site(&S)[15]"_s,
       u"最新版を自動的に確認(&W)[17]*"_s, u"-"_s, u"バージョン情報(&A)...[18]"_s},
  };
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(menus[i]->text(), titles[i]);
    EXPECT_EQ(Describe(*menus[i]->menu()), items[i]) << i;
  }
  // Every item reaches the sink with its id; a checkable one keeps its mark
  // until the command itself sets it.
  QAction *translucent = FindCommandAction(bar, kCmdTranslucent);
  translucent->trigger();
  EXPECT_FALSE(translucent->isChecked());
  FindCommandAction(bar, kCmdAbout)->trigger();
  EXPECT_EQ(ran, (QList<int>{kCmdTranslucent, kCmdAbout}));
  EXPECT_FALSE(FindCommandAction(bar, kCmdQuit)->objectName().isEmpty());
}

TEST(MenusTest, TrayMenuShowsWindowLogAboutAndQuit) {
  QMenu menu;
  QList<int> ran;
  BuildTrayMenu(menu, [&](int id) { ran << id; });
  EXPECT_EQ(Describe(menu), (QStringList{u"ウインドウを表示(&O)[19]"_s, u"-"_s, u"通信ログ(&L)[1]"_s,
                                         u"バージョン情報(&A)[18]"_s, u"-"_s, u"終了(&Q)[3]"_s}));
  FindCommandAction(menu, kCmdShowWindow)->trigger();
  EXPECT_EQ(ran, QList<int>{kCmdShowWindow});
}

}  // namespace
}  // namespace ruz::testing
