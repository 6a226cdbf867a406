#include "server/server.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "config/settings.h"
#include "config/startup_checks.h"
#include "http/auth_throttle.h"
#include "server/start_up.h"
#include "ui/address_band.h"
#include "ui/elided_text_tips.h"
#include "ui/external_open.h"
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
// Between the parts of the state: one narrow mark, never read as a letter.
constexpr char16_t kStateSeparator[] = u" ｜ ";

QString Separator() { return QString::fromUtf16(kStateSeparator); }

// The placeholder address of a build that names no web site.
bool IsPlaceholderAddress(const QUrl &url) {
  return url.host().isEmpty() || url.host().endsWith(u".invalid"_s);
}

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
  certificate_->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto *copy = new QAction(u"フィンガープリントをコピー(&C)"_s, certificate_);
  copy->setObjectName(u"copyFingerprint"_s);
  connect(copy, &QAction::triggered, this, &MainWindow::CopyFingerprint);
  certificate_->addAction(copy);
  certificate_->hide();
  statusBar()->addPermanentWidget(certificate_);
  BuildTray();
  BuildTrafficDock();
  connect(&updateTimer_, &QTimer::timeout, this, &MainWindow::RunUpdateCheck);
  connect(&stateTimer_, &QTimer::timeout, this, &MainWindow::RefreshState);
  connect(&checker_, &UpdateChecker::Finished, this, &MainWindow::OnUpdateChecked);
  opener_ = new ExternalOpener(this);
  MenuAction(kCmdWebSite)->setVisible(!IsPlaceholderAddress(QUrl(QString::fromUtf8(RUZ_WEB_URL))));
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
  ElideInTheMiddleWithTips(*view_);
  connect(view_, &QTreeView::doubleClicked, this, &MainWindow::OpenRowUrl);
  layout->addWidget(band_);
  layout->addWidget(BuildAddressBand(central));
  layout->addWidget(view_);
  setCentralWidget(central);
}

void MainWindow::BuildTray() {
  ShowTrayIcon();
  tray_.setToolTip(ProgramName());
  trayMenu_.setObjectName(u"trayMenu"_s);
  BuildTrayMenu(trayMenu_, [this](int id) { OnCommand(id); });
  connect(&tray_, &QSystemTrayIcon::activated, this, &MainWindow::OnTrayActivated);
  tray_.show();
}

void MainWindow::Create() {
  const auto review = [this](const std::vector<std::string> &warnings) {
    RestorePlacement();
    band_->update();
    // The box below belongs to this window: it is up before it.
    ShowWindow();
    ShowStartupWarnings(warnings);
    return !closed_;  // a stop signal closed the window under the warning
  };
  // A failed start has warned; the state bar says why.
  StartFromSettings(context_, FixPlace::kOptionsSheet, review);
  if (closed_) return;
  ShowServerState();
  ApplyTrafficPanelFlag();
  stateTimer_.start(kStateRefreshMs);
  if (settings_.autoupdatecheck) {
    ApplyAutoUpdateFlag();
    QTimer::singleShot(0, this, &MainWindow::RunUpdateCheck);
  }
}

// Settings that cannot work, in one box: the key to change for each.
void MainWindow::ShowStartupWarnings(const std::vector<std::string> &warnings) {
  std::string text;
  for (const std::string &warning : warnings) {
    if (!text.empty()) text += "\n\n";
    text += warning;
  }
  if (!text.empty()) ShowStartWarning(this, FromCp932(text));
}

// The server's state after a start: what holds until the next start (the
// first setting that cannot work, the certificate) is looked up here once.
void MainWindow::ShowServerState() {
  const std::vector<std::string> warnings = StartupWarnings(settings_, FixPlace::kOptionsSheet);
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
    ShowState(u"停止中"_s + Separator() + FromCp932(context_.startFailure));
  }
  ShowTrayIcon();
}

// While a stop or restart runs only its own text and the clock are shown: the
// server's fields change on the stopping thread.
void MainWindow::RefreshState() {
  if (closed_) return;
  if (busy_) {
    ShowState(BusyStateText());
  } else {
    ShowCurrentState();
  }
}

// The full icon while the server runs, a greyed one while it is stopped.
void MainWindow::ShowTrayIcon() {
  const bool running = context_.isRunning != 0;
  if (trayIconSet_ && running == trayShowsRunning_) return;
  tray_.setIcon(running ? RuzIcon() : StoppedRuzIcon());
  trayShowsRunning_ = running;
  trayIconSet_ = true;
}

// Running with its port, the connections served out of the usable slots and
// those waiting, and the first setting that cannot work.
// Without a slot nothing is accepted: said instead of a count of 0/0.
QString MainWindow::RunningStateText() const {
  const int slots = context_.slots != nullptr ? context_.slots->Size() : 0;
  QString text = slots > 0 ? u"稼働中"_s : u"稼働中（受付なし）"_s;
  text += u" ポート %1"_s.arg(context_.boundPort);
  if (context_.boundTlsPort != 0) text += u" HTTPS %1"_s.arg(context_.boundTlsPort);
  if (slots > 0) text += Separator() + u"接続 %1/%2"_s.arg(ActiveConnections(context_)).arg(slots);
  // Open connections waiting for a request, without a slot (with keepalive).
  if (const int waiting = WaitingConnections(context_); waiting > 0) {
    text += u" 待機 %1"_s.arg(waiting);
  }
  if (!firstWarning_.isEmpty()) text += Separator() + firstWarning_;
  // A client locked out for guessing passwords, for a minute after the lock.
  if (context_.authThrottle != nullptr) {
    const std::string notice = context_.authThrottle->LatestNotice(kLockNoticeShown);
    if (!notice.empty()) text += Separator() + FromCp932(notice);
  }
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
  // The text starts where the band's lines do (the style's layout margin),
  // whatever room the status bar keeps before its first label.
  const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
  state_->setIndent(std::max(0, margin - state_->x()));
  if (state_->text() == text) return;
  state_->setText(text);
  state_->setToolTip(text);  // whole, when a narrow window cuts the label
  tray_.setToolTip(ProgramName() + Separator() + text);
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

void MainWindow::CopyFingerprint() {
  QGuiApplication::clipboard()->setText(QString::fromStdString(context_.tlsFingerprint));
}

QAction *MainWindow::MenuAction(int id) const { return FindCommandAction(*menuBar(), id); }

}  // namespace ruz
