// The main menu and the tray menu: texts, command ids and separators.
#pragma once

#include <QObject>

#include <functional>

class QMenu;
class QMenuBar;
class QAction;

namespace ruz {

/// Command ids of both menus.
enum Command {
  kCmdOpenLog = 1,
  kCmdQuit = 3,
  kCmdHide = 4,
  kCmdTranslucent = 5,
  kCmdOptions = 6,
  kCmdImport = 7,
  kCmdExport = 8,
  kCmdHelp = 13,
  kCmdReadme = 14,
  kCmdWebSite = 15,
  kCmdAutoUpdate = 17,
  kCmdAbout = 18,
  kCmdShowWindow = 19,
  kCmdTrafficPanel = 20,
  kCmdShowAllRows = 21,
  kCmdShowErrorRows = 22,
  kCmdClearList = 23,
};

using CommandSink = std::function<void(int id)>;

/// Fills bar with the four menus. Every item is a QAction with its id in data()
/// and an objectName; items 5, 17, 20, 21 and 22 are checkable. Triggering goes to sink.
void BuildMainMenu(QMenuBar &bar, const CommandSink &sink);

/// Fills menu with the tray menu's items, wired the same way.
void BuildTrayMenu(QMenu &menu, const CommandSink &sink);

/// The action with this id among menu's (and its submenus') actions; nullptr if none.
QAction *FindCommandAction(const QObject &menuOwner, int id);

}  // namespace ruz
