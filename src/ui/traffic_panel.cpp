// The traffic panel's plots (Qt Charts), counts and rankings.
#include "ui/traffic_panel.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

constexpr int kTenMinutes = 600;
// The hour is drawn as 360 points of 10 seconds each.
constexpr int kHourStep = 10;
constexpr double kKilobyte = 1024.0;
constexpr int kPlotHeight = 120;
// Few ticks, so the labels fit a low plot at any scale.
constexpr int kYTicks = 3;
constexpr int kXTicks = 6;

QTableWidget *RankingTable(const QString &title, QWidget *parent) {
  auto *table = new QTableWidget(0, 2, parent);
  table->setHorizontalHeaderLabels({title, u"回数"_s});
  table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  table->setMinimumHeight(kPlotHeight);
  return table;
}

void FillRanking(QTableWidget &table, const std::vector<RankedText> &ranked) {
  table.setRowCount(static_cast<int>(ranked.size()));
  for (int i = 0; i < std::ssize(ranked); ++i) {
    table.setItem(i, 0, new QTableWidgetItem(FromCp932(ranked[i].text)));
    auto *count = new QTableWidgetItem(QString::number(ranked[i].count));
    count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table.setItem(i, 1, count);
  }
}

}  // namespace

TrafficPanel::TrafficPanel(Source source, QWidget *parent)
    : QWidget(parent), source_(std::move(source)) {
  setObjectName(u"trafficPanel"_s);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 4);
  auto *top = new QHBoxLayout();
  spanChoice_ = new QComboBox(this);
  spanChoice_->addItems({u"直近10分"_s, u"直近1時間"_s});
  connect(spanChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
    SetSpan(index == 0 ? Span::kTenMinutes : Span::kHour);
  });
  classes_ = new QLabel(this);
  classes_->setObjectName(u"trafficClasses"_s);
  top->addWidget(spanChoice_);
  top->addSpacing(12);
  top->addWidget(classes_, 1);
  // Plots and rankings side by side, so the panel takes little of the
  // window's height from the status list.
  auto *row = new QHBoxLayout();
  QWidget *requestsView = nullptr;
  QWidget *bytesView = nullptr;
  requests_ = MakePlot(u"リクエスト/秒（横軸: 分）"_s, this, requestsView);
  bytes_ = MakePlot(u"送信量 KB/秒（横軸: 分）"_s, this, bytesView);
  paths_ = RankingTable(u"パス（1時間）"_s, this);
  clients_ = RankingTable(u"クライアント（1時間）"_s, this);
  row->addWidget(requestsView, 3);
  row->addWidget(bytesView, 3);
  row->addWidget(paths_, 3);
  row->addWidget(clients_, 3);
  layout->addLayout(top);
  layout->addLayout(row, 1);
  connect(&timer_, &QTimer::timeout, this, &TrafficPanel::Refresh);
}

TrafficPanel::Plot TrafficPanel::MakePlot(const QString &title, QWidget *parent, QWidget *&view) {
  Plot plot;
  plot.chart = new QChart();
  plot.chart->setTitle(title);
  plot.chart->legend()->hide();
  plot.chart->setMargins(QMargins(2, 2, 2, 2));
  plot.series = new QLineSeries(plot.chart);
  plot.chart->addSeries(plot.series);
  plot.x = new QValueAxis(plot.chart);
  plot.y = new QValueAxis(plot.chart);
  plot.x->setLabelFormat(u"%.0f"_s);
  plot.y->setLabelFormat(u"%.0f"_s);
  plot.x->setTickCount(kXTicks);
  plot.y->setTickCount(kYTicks);
  plot.chart->addAxis(plot.x, Qt::AlignBottom);
  plot.chart->addAxis(plot.y, Qt::AlignLeft);
  plot.series->attachAxis(plot.x);
  plot.series->attachAxis(plot.y);
  auto *chartView = new QChartView(plot.chart, parent);
  chartView->setRenderHint(QPainter::Antialiasing);
  chartView->setMinimumHeight(kPlotHeight);
  view = chartView;
  return plot;
}

void TrafficPanel::SetSpan(Span span) {
  span_ = span;
  spanChoice_->setCurrentIndex(span == Span::kTenMinutes ? 0 : 1);
  Refresh();
}

void TrafficPanel::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  Refresh();
  timer_.start(kTrafficRefreshMs);
}

void TrafficPanel::hideEvent(QHideEvent *event) {
  QWidget::hideEvent(event);
  timer_.stop();
}

void TrafficPanel::Refresh() {
  const TrafficFigures *figures = source_ ? source_() : nullptr;
  Draw(figures != nullptr ? figures->Snapshot(TrafficClock()) : TrafficSnapshot{});
}

// x is minutes before now; each point the mean per second over its step.
template <typename T>
void TrafficPanel::DrawSeries(Plot &plot, const std::vector<T> &perSecond, double scale) {
  const bool hour = span_ == Span::kHour;
  const int seconds = hour ? kTrafficSeconds : kTenMinutes;
  const int step = hour ? kHourStep : 1;
  QList<QPointF> points;
  double highest = 1.0;
  const int size = static_cast<int>(perSecond.size());
  for (int first = std::max(0, size - seconds); first + step <= size; first += step) {
    double sum = 0;
    for (int i = first; i < first + step; ++i) sum += static_cast<double>(perSecond[i]);
    const double value = sum / step / scale;
    highest = std::max(highest, value);
    points.append(QPointF((first + step - size) / 60.0, value));
  }
  plot.series->replace(points);
  plot.x->setRange(-seconds / 60.0, 0);
  plot.y->setRange(0, highest * 1.1);
}

void TrafficPanel::Draw(const TrafficSnapshot &snapshot) {
  DrawSeries(requests_, snapshot.requestsPerSecond, 1.0);
  DrawSeries(bytes_, snapshot.bytesPerSecond, kKilobyte);
  const auto &c = snapshot.classCounts;
  classes_->setText(u"直近1時間  2xx: %1   3xx: %2   4xx: %3   5xx: %4"_s.arg(c[kClass2xx])
                        .arg(c[kClass3xx])
                        .arg(c[kClass4xx])
                        .arg(c[kClass5xx]));
  FillRanking(*paths_, snapshot.topPaths);
  FillRanking(*clients_, snapshot.topClients);
}

QString TrafficPanel::ClassText() const { return classes_->text(); }

int TrafficPanel::PlottedRequests() const { return static_cast<int>(requests_.series->count()); }

}  // namespace ruz
