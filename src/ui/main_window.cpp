#include "server/context.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "config/root_path.h"
#include "config/settings.h"
#include "config/startup_checks.h"
#include "ui/address_band.h"
#include "ui/fact_band.h"
#include "ui/menus.h"
#include "ui/message_boxes.h"
#include "ui/qt_setup.h"
#include "ui/qt_text.h"
#include "ui/status_view.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

// The window's size when none is saved, unless the status list needs more width.
constexpr int kDefaultWidth = 646;
constexpr int kDefaultHeight = 432;
// Room left on the screen for the window manager's frame.
constexpr int kFrameAllowance = 16;

QString ProgramName() { return u"Ruzo'sWebserver"_s; }

}  // namespace

MainWindow::MainWindow(ServerContext &context, ServerSettings &settings, int updateDeadlineMs)
    : context_(context),
      settings_(settings),
      model_(table_),
      stopper_(context),
      checker_(updateDeadlineMs) {
  setWindowTitle(ProgramName());
  setWindowIcon(RuzIcon());
  BuildMainMenu(*menuBar(), [this](int id) { OnCommand(id); });
  BuildCentral();
  // Wide enough for every column of the status list at its typical width, as
  // far as the screen allows. The band grows with the font; the list keeps its height.
  const int wanted = std::max(kDefaultWidth, StatusViewWidth(*view_));
  resize(std::min(wanted, screen()->availableGeometry().width() - kFrameAllowance),
         kDefaultHeight + band_->height() - kFactBandHeight);
  statusBar()->setSizeGripEnabled(true);
  state_ = new QLabel(statusBar());
  state_->setObjectName(u"serverState"_s);
  // Takes the room the bar has; a long state is cut rather than widening the window.
  state_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(state_, 1);
  // The HTTPS certificate's fingerprint, selectable so that it can be copied
  // and handed to visitors who check the self-signed certificate.
  certificate_ = new QLabel(statusBar());
  certificate_->setObjectName(u"certificateFingerprint"_s);
  certificate_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  certificate_->hide();
  statusBar()->addPermanentWidget(certificate_);
  BuildTray();
  BuildTrafficDock();
  connect(&updateTimer_, &QTimer::timeout, this, &MainWindow::RunUpdateCheck);
  connect(&stateTimer_, &QTimer::timeout, this, &MainWindow::RefreshState);
  connect(&checker_, &UpdateChecker::Finished, this, &MainWindow::OnUpdateChecked);
  context_.statusTable = &table_;
  context_.settings = &settings_;
  context_.showWarning = &ShowCoreWarning;
  SetWarningOwner(this);
}

MainWindow::~MainWindow() {
  Shutdown();
  context_.statusTable = nullptr;
  context_.showWarning = nullptr;
  SetWarningOwner(nullptr);
}

void MainWindow::BuildCentral() {
  auto *central = new QWidget(this);
  auto *layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  band_ = new FactBand(settings_, central);
  view_ = new QTreeView(central);
  view_->setObjectName(u"statusList"_s);
  filter_.setSourceModel(&model_);
  view_->setModel(&filter_);
  SetUpStatusView(*view_);
  connect(view_, &QTreeView::doubleClicked, this, &MainWindow::OpenRowUrl);
  layout->addWidget(band_);
  layout->addWidget(BuildAddressBand(central));
  layout->addWidget(view_);
  setCentralWidget(central);
}

void MainWindow::BuildTray() {
  tray_.setIcon(RuzIcon());
  tray_.setToolTip(ProgramName());
  trayMenu_.setObjectName(u"trayMenu"_s);
  BuildTrayMenu(trayMenu_, [this](int id) { OnCommand(id); });
  connect(&tray_, &QSystemTrayIcon::activated, this, &MainWindow::OnTrayActivated);
  tray_.show();
}

void MainWindow::Create() {
  const bool loaded = LoadSettings(settings_) == 0;
  if (!loaded) ShowWarning(this, u"ruz.iniのロードに失敗しました"_s);
  if (closed_) return;  // a stop signal closed the window under the warning
  TrimRootSlash(settings_.root);
  if (loaded) ShowStartupWarnings();
  if (closed_) return;
  RestorePlacement();
  band_->update();
  StartServer(context_);
  ShowServerState();
  ApplyTrafficPanelFlag();
  stateTimer_.start(kStateRefreshMs);
  if (settings_.autoupdatecheck) {
    ApplyAutoUpdateFlag();
    QTimer::singleShot(0, this, &MainWindow::RunUpdateCheck);
  }
}

// Settings that cannot work, in one box: the key to change for each.
void MainWindow::ShowStartupWarnings() {
  std::string text;
  for (const std::string &warning : StartupWarnings(settings_)) {
    if (!text.empty()) text += "\n\n";
    text += warning;
  }
  if (!text.empty()) ShowWarning(this, FromCp932(text));
}

// The server's state after a start: what holds until the next start (the
// first setting that cannot work, the certificate) is looked up here once.
void MainWindow::ShowServerState() {
  const std::vector<std::string> warnings = StartupWarnings(settings_);
  firstWarning_ = warnings.empty() ? QString() : FromCp932(warnings.front());
  addresses_->Refresh();
  ShowCertificate();
  ShowCurrentState();
}

// The state in the status bar and the tray tip.
void MainWindow::ShowCurrentState() {
  if (context_.isRunning) {
    ShowState(RunningStateText());
  } else {
    ShowState(u"停止中 — "_s + FromCp932(context_.startFailure));
  }
}

// While a stop or restart runs its own text stays: the server's fields change
// on the stopping thread.
void MainWindow::RefreshState() {
  if (!busy_ && !closed_) ShowCurrentState();
}

// Running with its port, the connections served out of the usable slots, and
// the first setting that cannot work.
QString MainWindow::RunningStateText() const {
  const int slots = context_.slots != nullptr ? context_.slots->Size() : 0;
  QString text = u"稼働中 ポート %1"_s.arg(context_.boundPort);
  if (context_.boundTlsPort != 0) text += u" HTTPS %1"_s.arg(context_.boundTlsPort);
  text += u" — 接続 %1/%2"_s.arg(ActiveConnections(context_)).arg(slots);
  if (!firstWarning_.isEmpty()) text += u" — "_s + firstWarning_;
  return text;
}

void MainWindow::ShowCertificate() {
  const bool shown = context_.isRunning && !context_.tlsFingerprint.empty();
  certificate_->setVisible(shown);
  if (!shown) return;
  certificate_->setText(u"SHA-256 "_s + QString::fromStdString(context_.tlsFingerprint));
  certificate_->setToolTip(context_.tlsCertificateMade
                               ? u"この起動で作成した自己署名証明書の SHA-256 フィンガープリント"_s
                               : u"HTTPS の証明書の SHA-256 フィンガープリント"_s);
  // The fingerprint is only of use whole: the state text gives way first.
  certificate_->setMinimumWidth(certificate_->sizeHint().width());
}

void MainWindow::ShowState(const QString &text) {
  if (state_->text() == text) return;
  state_->setText(text);
  state_->setToolTip(text);  // whole, when a narrow window cuts the label
  tray_.setToolTip(ProgramName() + u" — "_s + text);
}

QString MainWindow::StateText() const { return state_->text(); }

void MainWindow::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Trigger) {
    OnCommand(kCmdShowWindow);
  } else if (reason == QSystemTrayIcon::Context) {
    // The menu's bottom edge sits at the cursor.
    trayMenu_.popup(QCursor::pos() - QPoint(0, trayMenu_.sizeHint().height()));
  }
}

void MainWindow::changeEvent(QEvent *event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  // Without a tray host a hidden window could never be brought back.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  QTimer::singleShot(0, this, [this] {
    if (isMinimized()) HideToTray();
  });
}

void MainWindow::StopInBackground(const QString &text, std::function<void()> after) {
  ShowState(text);
  busy_ = true;
  stopper_.Start([this, after = std::move(after)] {
    after();
    busy_ = false;
    AfterBusy();
  });
}

void MainWindow::AfterBusy() {
  if (closePending_) {
    closePending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  if (offerPending_) {
    offerPending_ = false;
    QTimer::singleShot(0, this, &MainWindow::OfferDownload);
  }
}

void MainWindow::Restart(std::function<void()> then) {
  if (closed_ || busy_) return;
  StopInBackground(u"再起動中…"_s, [this, then = std::move(then)] {
    FreeSettings(settings_);
    LoadSettings(settings_);
    StartServer(context_);
    ShowServerState();
    ApplyAutoUpdateFlag();
    band_->update();
    if (then) then();
  });
}

void MainWindow::closeEvent(QCloseEvent *event) {
  event->ignore();
  if (busy_) {
    // Carried out once the stop or restart under way is over.
    closePending_ = true;
    return;
  }
  if (!closed_) BeginClose();
}

// The window stays, painting and answering, while the connections finish; the
// tray icon stays until the program ends.
void MainWindow::BeginClose() {
  updateTimer_.stop();
  SaveWindowPlacement();
  StopInBackground(u"停止中…"_s, [this] { FinishClose(); });
}

void MainWindow::FinishClose() {
  closed_ = true;
  stateTimer_.stop();
  FreeSettings(settings_);
  hide();
  tray_.hide();
  qApp->quit();
}

void MainWindow::Shutdown() {
  stopper_.Wait();  // a stop under way ends before the window does
  if (closed_) return;
  closed_ = true;
  updateTimer_.stop();
  stateTimer_.stop();
  SaveWindowPlacement();
  tray_.hide();
  busy_ = true;
  StopServer(context_);
  busy_ = false;
  FreeSettings(settings_);
}

QAction *MainWindow::MenuAction(int id) const { return FindCommandAction(*menuBar(), id); }

}  // namespace ruz
