// The main window: server facts, the live status list, the tray icon, both
// menus and their commands, and the automatic update check.
#pragma once

#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <QDeadlineTimer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "ui/options/options_sheet.h"
#include "http/status_table.h"
#include "ui/server_stopper.h"
#include "ui/status_filter.h"
#include "ui/status_model.h"
#include "ui/update_checker.h"

class QDockWidget;
class QLabel;
class QTreeView;

namespace ruz {

struct ServerContext;
struct ServerSettings;
class ExternalOpener;
class FactBand;
class AddressBand;
class TrafficPanel;
class LogViewer;

/// The period of the automatic update check: three hours.
inline constexpr int kUpdatePeriodMs = 10'800'000;
/// How often the connection count in the status bar is brought up to date.
inline constexpr int kStateRefreshMs = 250;
/// How long the status bar names a client locked out for guessing passwords.
inline constexpr std::chrono::seconds kLockNoticeShown{60};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  /// context and settings must outlive the window; the window wires context to
  /// its status table and settings.
  /// updateDeadlineMs bounds each update check.
  MainWindow(ServerContext &context, ServerSettings &settings, int updateDeadlineMs = 10000);
  ~MainWindow() override;

  /// The creation steps: load the settings, trim root, place and show the
  /// window, then the warnings (a failed load, settings that cannot work)
  /// over it, start the server, and start the update schedule when it is set.
  void Create();

  /// Runs command id of either menu; does nothing while a stop or restart is
  /// under way or after the window closed.
  void OnCommand(int id);

  /// Stops the server off the GUI thread and restarts it with the reloaded
  /// settings; then runs on the GUI thread once the server runs again.
  /// Ignored while a stop or restart is under way.
  void Restart(std::function<void()> then = {});

  /// Restart after the settings changed: while responses are being sent, asks
  /// first whether to restart now, once they are done, or not at all.
  void RestartAsked(std::function<void()> then = {});

  /// Brings the window forward from wherever it is (hidden, minimised).
  void ShowWindow();

  /// Starts one update check unless one is running.
  void RunUpdateCheck();

  // For the tests and the screenshots.
  StatusModel &Model() { return model_; }
  QTreeView &View() { return *view_; }
  FactBand &Band() { return *band_; }
  AddressBand &Addresses() { return *addresses_; }
  TrafficPanel &Traffic() { return *traffic_; }
  QDockWidget &TrafficDock() { return *trafficDock_; }
  StatusFilter &Filter() { return filter_; }
  /// The log viewer while it is open.
  LogViewer *Viewer() const;
  QSystemTrayIcon &Tray() { return tray_; }
  QMenu &TrayMenu() { return trayMenu_; }
  QTimer &UpdateTimer() { return updateTimer_; }
  ExternalOpener &Opener() { return *opener_; }
  /// True while a restart or quit waits for the responses being sent.
  bool IsWaitingForTransfers() const { return afterTransfers_ != nullptr; }
  UpdateChecker &Checker() { return checker_; }
  bool IsBusy() const { return busy_; }
  /// True once the close path has run (the server is stopped).
  bool IsClosed() const { return closed_; }
  bool IsTranslucent() const { return translucent_; }
  /// The server's state as the status bar shows it.
  QString StateText() const;
  /// The main menu's action with this id.
  QAction *MenuAction(int id) const;

 protected:
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void BuildCentral();
  void BuildTray();
  void ShowStartupWarnings(const std::vector<std::string> &warnings);
  void ShowServerState();
  void ShowCertificate();
  void RefreshState();
  void ShowCurrentState();
  void ShowState(const QString &text);
  void ShowTrayIcon();
  QString RunningStateText() const;
  QString BusyStateText() const;
  // A restart or quit with responses being sent: asks, and may wait for them.
  void AskBeforeStopping(const QString &action, std::function<void()> proceed);
  void CheckTransfersDone();
  // Position and size: restored at start and after hiding, saved when hidden
  // and at exit (main_window_placement.cpp).
  void RestorePlacement();
  /// The restored placement pulled on screen again at the size the window has
  /// once its contents are laid out.
  void FitPlacementToSize();
  void TrackPlacement();
  void SaveWindowPlacement();
  void HideToTray();
  void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);
  // Stops the server off the GUI thread with text in the status bar; after
  // runs on the GUI thread when the stop is over.
  void StopInBackground(const QString &text, std::function<void()> after);
  void AfterBusy();
  void BeginClose();
  void FinishClose();
  void Shutdown();

  // Commands, one per id (main_window_commands.cpp).
  void OpenLog();
  void Quit();
  void HideWindow();
  void ToggleTranslucent();
  void RunOptions();
  void Import();
  void Export();
  void OpenHelp();
  void OpenReadme();
  void OpenWebSite();
  void OpenFile(const std::string &cp932Path);
  void OpenInstalledFile(const char *name);
  void ToggleAutoUpdate();
  void ShowAbout();
  void CopyFingerprint();

  // Sharing and watching (main_window_watch.cpp): the addresses, the traffic
  // panel, the status list's filter and double-click, the log viewer.
  QWidget *BuildAddressBand(QWidget *parent);
  void BuildTrafficDock();
  void ApplyTrafficPanelFlag();
  void ToggleTrafficPanel();
  void ShowAllRows();
  void ShowErrorRows();
  void ShowRows(bool errorsOnly);
  void ClearList();
  void OpenRowUrl(const QModelIndex &index);
  void ShowLogViewer();

  // Update schedule (main_window_update.cpp).
  void ApplyAutoUpdateFlag();
  void OnUpdateChecked(bool ok, const QByteArray &body);
  void OfferDownload();

  ServerContext &context_;
  ServerSettings &settings_;
  StatusTable table_;
  StatusModel model_;
  StatusFilter filter_;
  ServerStopper stopper_;
  FactBand *band_ = nullptr;
  QTreeView *view_ = nullptr;
  AddressBand *addresses_ = nullptr;
  QDockWidget *trafficDock_ = nullptr;
  TrafficPanel *traffic_ = nullptr;
  QPointer<LogViewer> logViewer_;
  QLabel *state_ = nullptr;  // the server's state, in the status bar
  QLabel *certificate_ = nullptr;  // the HTTPS certificate's fingerprint, when HTTPS runs
  QTimer stateTimer_;        // keeps the connection count live
  QString busyText_;         // what a stop or restart under way shows
  QDeadlineTimer stopGrace_; // when a stop cuts off the responses still being sent
  std::function<void()> afterTransfers_;  // runs once nothing is being sent
  QString waitingAction_;    // "再起動" or "終了" while afterTransfers_ is set
  ExternalOpener *opener_ = nullptr;
  QRect placement_;          // the last normal position and size; empty until known
  QSystemTrayIcon tray_;
  QMenu trayMenu_;
  QTimer updateTimer_;
  UpdateChecker checker_;
  OptionsMemory optionsMemory_;
  QString lastFileName_;  // shared by the import and export dialogs
  QString firstWarning_;  // the first setting that cannot work, as of the last start
  bool busy_ = false;
  bool closePending_ = false;
  bool closed_ = false;
  bool translucent_ = false;
  bool trayShowsRunning_ = false;
  bool trayIconSet_ = false;
  bool offerOpen_ = false;
  bool offerPending_ = false;
};

}  // namespace ruz
