#include "ui/elided_text_tips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace ruz {

namespace {

// Answers the viewport's tooltip requests for cells whose text does not fit.
class CutCellTips : public QObject {
 public:
  explicit CutCellTips(QAbstractItemView &view) : QObject(&view), view_(view) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = view_.indexAt(help->pos());
    // A tip of the model's own goes the usual way.
    if (index.data(Qt::ToolTipRole).isValid()) return QObject::eventFilter(watched, event);
    const QString text = index.data(Qt::DisplayRole).toString();
    // The style leaves its focus-frame margin and one pixel on each side of the text.
    const int margin = view_.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int room = view_.visualRect(index).width() - 2 * margin;
    if (!index.isValid() || view_.fontMetrics().horizontalAdvance(text) <= room) {
      QToolTip::hideText();
      return true;
    }
    QToolTip::showText(help->globalPos(), text, view_.viewport(), view_.visualRect(index));
    return true;
  }

 private:
  QAbstractItemView &view_;
};

}  // namespace

void ElideInTheMiddleWithTips(QAbstractItemView &view) {
  view.setTextElideMode(Qt::ElideMiddle);
  view.viewport()->installEventFilter(new CutCellTips(view));
}

}  // namespace ruz
