// The main window's sharing and watching: the addresses band, the traffic
// panel, the status list's filter, clearing and double-click, the log viewer.
#include <QAction>
#include <QDesktopServices>
#include <QDockWidget>
#include <QUrl>

#include "config/settings.h"
#include "config/settings_writer.h"
#include "platform/socket.h"
#include "server/context.h"
#include "server/public_addresses.h"
#include "ui/address_band.h"
#include "ui/log_viewer.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/message_boxes.h"
#include "ui/qt_text.h"
#include "ui/traffic_panel.h"

namespace ruz {

using namespace Qt::StringLiterals;

QWidget *MainWindow::BuildAddressBand(QWidget *parent) {
  addresses_ = new AddressBand(
      [this]() -> PublicAddresses {
        // While a stop runs on its own thread the context is not read here.
        if (busy_ || !context_.isRunning) return {};
        return ListPublicAddresses(ListInterfaceAddresses(), settings_.bindaddress,
                                   context_.boundPort, context_.boundTlsPort);
      },
      parent);
  return addresses_;
}

void MainWindow::BuildTrafficDock() {
  traffic_ = new TrafficPanel([this]() -> const TrafficFigures * {
    return context_.watch != nullptr ? &context_.watch->traffic : nullptr;
  });
  trafficDock_ = new QDockWidget(u"トラフィック"_s, this);
  trafficDock_->setObjectName(u"trafficDock"_s);
  trafficDock_->setWidget(traffic_);
  trafficDock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  addDockWidget(Qt::BottomDockWidgetArea, trafficDock_);
  trafficDock_->hide();
  // Closing the panel by its own button is remembered like the menu item.
  connect(trafficDock_, &QDockWidget::visibilityChanged, this, [this](bool) {
    if (isVisible() && trafficDock_->isHidden() && settings_.trafficpanel) ToggleTrafficPanel();
  });
}

void MainWindow::ApplyTrafficPanelFlag() {
  const bool wasHidden = trafficDock_->isHidden();
  trafficDock_->setVisible(settings_.trafficpanel != 0);
  // A shown panel takes a third of the height; the status list keeps the rest.
  constexpr int kPanelShareDivisor = 3;
  if (wasHidden && settings_.trafficpanel) {
    resizeDocks({trafficDock_}, {height() / kPanelShareDivisor}, Qt::Vertical);
  }
  MenuAction(kCmdTrafficPanel)->setChecked(settings_.trafficpanel != 0);
  MenuAction(kCmdShowAllRows)->setChecked(!filter_.ErrorsOnly());
  MenuAction(kCmdShowErrorRows)->setChecked(filter_.ErrorsOnly());
}

void MainWindow::ToggleTrafficPanel() {
  settings_.trafficpanel = settings_.trafficpanel ? 0 : 1;
  ApplyTrafficPanelFlag();
  const std::string path = IniPath();
  if (WriteResult written = WriteIntSetting(field::kTrafficPanel, settings_.trafficpanel, path);
      !written) {
    ShowWriteWarning(this, path, written);
  }
}

void MainWindow::ShowAllRows() { ShowRows(false); }
void MainWindow::ShowErrorRows() { ShowRows(true); }

void MainWindow::ShowRows(bool errorsOnly) {
  filter_.SetErrorsOnly(errorsOnly);
  MenuAction(kCmdShowAllRows)->setChecked(!errorsOnly);
  MenuAction(kCmdShowErrorRows)->setChecked(errorsOnly);
}

void MainWindow::ClearList() { model_.Clear(); }

// The row's path on this server, as this computer reaches it.
void MainWindow::OpenRowUrl(const QModelIndex &index) {
  const QString path = filter_.index(index.row(), kColPath).data().toString();
  if (!path.startsWith(u'/') || !context_.isRunning) return;
  IpAddress bound;
  const std::string &bind = settings_.bindaddress;
  const QString host = !bind.empty() && ParseIpAddress(bind, bound)
                           ? QString::fromStdString(FormatEndpoint(bound, context_.boundPort))
                           : u"localhost:%1"_s.arg(context_.boundPort);
  QDesktopServices::openUrl(QUrl(u"http://"_s + host + path, QUrl::TolerantMode));
}

LogViewer *MainWindow::Viewer() const { return logViewer_; }

void MainWindow::ShowLogViewer() {
  if (logViewer_ == nullptr) {
    logViewer_ = new LogViewer(ExeRelativePath(settings_.logname), this);
    logViewer_->setAttribute(Qt::WA_DeleteOnClose);
  }
  logViewer_->show();
  logViewer_->raise();
  logViewer_->activateWindow();
}

}  // namespace ruz
