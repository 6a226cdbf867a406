// The main window's position and size: restored from ruz.ini at start and after
// hiding, written back when it hides or closes.
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include "ui/main_window.h"
#include "ui/window_placement.h"

namespace ruz {

namespace {

// The saved position is the frame's and the size the window's own, so the
// title bar's height is kept free below the window.
QList<QRect> AvailableScreenAreas(int titleBarHeight) {
  QList<QRect> areas;
  for (const QScreen *screen : QGuiApplication::screens()) {
    areas << screen->availableGeometry().adjusted(0, 0, 0, -titleBarHeight);
  }
  return areas;
}

}  // namespace

void MainWindow::RestorePlacement() {
  std::optional<QRect> saved = LoadPlacement();
  if (!saved) return;
  // A size saved at a smaller scale can be below what the window can shrink to
  // now: pulled on screen at the size it will really have, so it stays clear of
  // the panel.
  saved->setSize(saved->size().expandedTo(minimumSizeHint()));
  placement_ = PullOnScreen(*saved, AvailableScreenAreas(style()->pixelMetric(QStyle::PM_TitleBarHeight)));
  move(placement_.topLeft());
  resize(placement_.size());
}

// Only a shown window in its normal state has a position worth keeping.
void MainWindow::TrackPlacement() {
  if (isVisible() && windowState() == Qt::WindowNoState) placement_ = QRect(pos(), size());
}

// The place is a convenience kept between runs: a file that cannot take it
// must not hold up hiding or quitting with a warning. The settings it holds
// are warned of where they are changed.
void MainWindow::SaveWindowPlacement() {
  if (!placement_.isEmpty()) static_cast<void>(SavePlacement(placement_));
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
  // Contents that grow (addresses, the traffic panel) never push a restored
  // window below the screen's free area.
  if (isVisible() && windowState() == Qt::WindowNoState && !placement_.isEmpty()) {
    const QRect before = placement_;
    FitPlacementToSize();
    if (placement_.topLeft() != before.topLeft()) move(placement_.topLeft());
  }
  TrackPlacement();
}

void MainWindow::FitPlacementToSize() {
  placement_ = PullOnScreen(QRect(placement_.topLeft(), size()),
                            AvailableScreenAreas(style()->pixelMetric(QStyle::PM_TitleBarHeight)));
}

}  // namespace ruz
