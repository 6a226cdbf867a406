#include "ui/menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <vector>

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

/// One menu entry; id 0 is a separator.
struct MenuItem {
  QString text;
  int id;
  const char *objectName;
};

struct MenuLayout {
  QString title;
  const char *objectName;
  std::vector<MenuItem> items;
};

const std::vector<MenuLayout> &MainMenuLayout() {
  static const std::vector<MenuLayout> menus = {
      {u"ファイル(&F)"_s, "menuFile",
       {{u"通信ログ(&L)"_s, kCmdOpenLog, "actionOpenLog"}, {u"終了(&Q)"_s, kCmdQuit, "actionQuit"}}},
      {u"表示(&V)"_s, "menuView",
       {{u"ウインドウを隠す(&W)"_s, kCmdHide, "actionHide"},
        {u"半透明化(&S)"_s, kCmdTranslucent, "actionTranslucent"},
        {{}, 0, nullptr},
        {u"トラフィック(&T)"_s, kCmdTrafficPanel, "actionTrafficPanel"},
        {{}, 0, nullptr},
        {u"すべて(&A)"_s, kCmdShowAllRows, "actionShowAllRows"},
        {u"エラーのみ(&E)"_s, kCmdShowErrorRows, "actionShowErrorRows"},
        {u"一覧をクリア(&C)"_s, kCmdClearList, "actionClearList"}}},
      {u"設定(&I)"_s, "menuSettings",
       {{u"オプション(&O)..."_s, kCmdOptions, "actionOptions"},
        {{}, 0, nullptr},
        {u"インポート(&I)..."_s, kCmdImport, "actionImport"},
        {u"エクスポート(&E)..."_s, kCmdExport, "actionExport"}}},
      {u"ヘルプ(&H)"_s, "menuHelp",
       {{u"ヘルプ(&H)"_s, kCmdHelp, "actionHelp"},
        {u"&Readme.txt"_s, kCmdReadme, "actionReadme"},
        {{}, 0, nullptr},
        {u"Ruzo'sWebserver Web site(&S)"_s, kCmdWebSite, "actionWebSite"},
        {u"最新版を自動的に確認(&W)"_s, kCmdAutoUpdate, "actionAutoUpdate"},
        {{}, 0, nullptr},
        {u"バージョン情報(&A)..."_s, kCmdAbout, "actionAbout"}}},
  };
  return menus;
}

const std::vector<MenuItem> &TrayMenuLayout() {
  static const std::vector<MenuItem> items = {
      {u"ウインドウを表示(&O)"_s, kCmdShowWindow, "trayShowWindow"},
      {{}, 0, nullptr},
      {u"通信ログ(&L)"_s, kCmdOpenLog, "trayOpenLog"},
      {u"バージョン情報(&A)"_s, kCmdAbout, "trayAbout"},
      {{}, 0, nullptr},
      {u"終了(&Q)"_s, kCmdQuit, "trayQuit"},
  };
  return items;
}

void AddItems(QMenu &menu, const std::vector<MenuItem> &items, const CommandSink &sink) {
  for (const MenuItem &item : items) {
    if (item.id == 0) {
      menu.addSeparator();
      continue;
    }
    QAction *action = menu.addAction(item.text);
    action->setData(item.id);
    action->setObjectName(QString::fromLatin1(item.objectName));
    action->setCheckable(item.id == kCmdTranslucent || item.id == kCmdAutoUpdate ||
                         item.id == kCmdTrafficPanel || item.id == kCmdShowAllRows ||
                         item.id == kCmdShowErrorRows);
    // The check marks follow the program's state, set by the command itself.
    QObject::connect(action, &QAction::triggered, &menu, [action, sink, id = item.id] {
      if (action->isCheckable()) action->setChecked(!action->isChecked());
      sink(id);
    });
  }
}

}  // namespace

void BuildMainMenu(QMenuBar &bar, const CommandSink &sink) {
  for (const MenuLayout &layout : MainMenuLayout()) {
    QMenu *menu = bar.addMenu(layout.title);
    menu->setObjectName(QString::fromLatin1(layout.objectName));
    AddItems(*menu, layout.items, sink);
  }
}

void BuildTrayMenu(QMenu &menu, const CommandSink &sink) { AddItems(menu, TrayMenuLayout(), sink); }

QAction *FindCommandAction(const QObject &menuOwner, int id) {
  for (QAction *action : menuOwner.findChildren<QAction *>()) {
    if (!action->isSeparator() && action->data().toInt() == id) return action;
  }
  return nullptr;
}

}  // namespace ruz
