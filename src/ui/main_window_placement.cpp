// The main window's position and size: restored from ruz.ini at start and after
// hiding, written back when it hides or closes.
#include <QGuiApplication>
#include <QScreen>

#include "ui/main_window.h"
#include "ui/window_placement.h"

namespace ruz {

namespace {

QList<QRect> AvailableScreenAreas() {
  QList<QRect> areas;
  for (const QScreen *screen : QGuiApplication::screens()) areas << screen->availableGeometry();
  return areas;
}

}  // namespace

void MainWindow::RestorePlacement() {
  const std::optional<QRect> saved = LoadPlacement();
  if (!saved) return;
  placement_ = PullOnScreen(*saved, AvailableScreenAreas());
  move(placement_.topLeft());
  resize(placement_.size());
}

// Only a shown window in its normal state has a position worth keeping.
void MainWindow::TrackPlacement() {
  if (isVisible() && windowState() == Qt::WindowNoState) placement_ = QRect(pos(), size());
}

void MainWindow::SaveWindowPlacement() {
  if (!placement_.isEmpty()) SavePlacement(placement_);
}

void MainWindow::HideToTray() {
  SaveWindowPlacement();
  hide();
}

void MainWindow::moveEvent(QMoveEvent *event) {
  QMainWindow::moveEvent(event);
  TrackPlacement();
}

void MainWindow::resizeEvent(QResizeEvent *event) {
  QMainWindow::resizeEvent(event);
  TrackPlacement();
}

}  // namespace ruz
