#include "ui/fact_band.h"

#include <QPainter>

#include "config/settings.h"
#include "ui/qt_text.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {
constexpr int kLineStep = 18;
}

FactBand::FactBand(const ServerSettings &settings, QWidget *parent)
    : QWidget(parent), settings_(settings) {
  setFixedHeight(kFactBandHeight);
}

QStringList FactBand::Lines() const {
  return {
      u"サーバーネーム: "_s + FromCp932(settings_.srvname),
      u"ポート番号: "_s + QString::number(settings_.port),
      u"ドキュメントルート: "_s + FromCp932(settings_.root),
  };
}

void FactBand::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const QStringList lines = Lines();
  for (int i = 0; i < lines.size(); ++i) {
    // Top alignment in a rectangle: y is the top of the line, not its baseline.
    const QRect line(0, i * kLineStep, width(), kLineStep);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, lines[i]);
  }
}

}  // namespace ruz
