#include "ui/fact_band.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

#include "config/settings.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {
constexpr int kLineCount = 3;
}

FactBand::FactBand(const ServerSettings &settings, QWidget *parent)
    : QWidget(parent), settings_(settings) {
  FitHeight();
}

QStringList FactBand::Lines() const {
  return {
      u"サーバーネーム: "_s + FromCp932(settings_.srvname),
      u"ポート番号: "_s + QString::number(settings_.port),
      u"ドキュメントルート: "_s + FromCp932(settings_.root),
  };
}

int FactBand::LineStep() const { return std::max(kFactLineStep, fontMetrics().lineSpacing()); }

// The style's layout margins, so the text lines up with the list's content.
QMargins FactBand::TextMargins() const {
  const int left = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
  const int top = style()->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, this);
  return QMargins(left, top, left, top);
}

void FactBand::FitHeight() {
  const QMargins margins = TextMargins();
  setFixedHeight(std::max(kFactBandHeight, margins.top() + kLineCount * LineStep() + margins.bottom()));
}

void FactBand::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FitHeight();
}

void FactBand::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const QStringList lines = Lines();
  const QRect area = rect().marginsRemoved(TextMargins());
  const int step = LineStep();
  bool cut = false;
  for (int i = 0; i < lines.size(); ++i) {
    // Top alignment in a rectangle: y is the top of the line, not its baseline.
    const QRect line(area.left(), area.top() + i * step, area.width(), step);
    // Cut in the middle, so that a long path keeps its last folder.
    const QString shown = painter.fontMetrics().elidedText(lines[i], Qt::ElideMiddle, line.width());
    cut = cut || shown != lines[i];
    painter.drawText(line, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
  }
  // The whole lines as the tooltip while any of them is cut.
  const QString tip = cut ? lines.join(u'\n') : QString();
  if (toolTip() != tip) setToolTip(tip);
}

}  // namespace ruz
