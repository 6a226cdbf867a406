// The traffic panel: live plots of requests and bytes per second over the last
// 10 minutes or hour, the counts by status class, and the top paths and clients.
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

#include "http/traffic.h"

class QComboBox;
class QLabel;
class QTableWidget;
class QLineSeries;
class QChart;
class QValueAxis;

namespace ruz {

/// How often a visible panel reads the figures again.
inline constexpr int kTrafficRefreshMs = 1000;

class TrafficPanel : public QWidget {
  Q_OBJECT

 public:
  /// source gives the figures now; nullptr before the first start.
  using Source = std::function<const TrafficFigures *()>;
  explicit TrafficPanel(Source source, QWidget *parent = nullptr);

  /// Reads the figures and redraws (also called by the panel's timer).
  void Refresh();

  /// The span the plots show.
  enum class Span { kTenMinutes, kHour };
  void SetSpan(Span span);

  // For the tests.
  QTableWidget &Paths() { return *paths_; }
  QTableWidget &Clients() { return *clients_; }
  QString ClassText() const;
  /// The plotted points of the requests series (x: seconds before now).
  int PlottedRequests() const;

 protected:
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;

 private:
  struct Plot {
    QChart *chart = nullptr;
    QLineSeries *series = nullptr;
    QValueAxis *x = nullptr;
    QValueAxis *y = nullptr;
  };
  Plot MakePlot(const QString &title, QWidget *parent, QWidget *&view);
  void Draw(const TrafficSnapshot &snapshot);
  template <typename T>
  void DrawSeries(Plot &plot, const std::vector<T> &perSecond, double scale);

  Source source_;
  QTimer timer_;
  Span span_ = Span::kTenMinutes;
  Plot requests_;
  Plot bytes_;
  QComboBox *spanChoice_ = nullptr;
  QLabel *classes_ = nullptr;
  QTableWidget *paths_ = nullptr;
  QTableWidget *clients_ = nullptr;
};

}  // namespace ruz
