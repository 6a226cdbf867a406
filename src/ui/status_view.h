// The status list's view: column widths from the font, the path column taking
// the rest, and a context menu that copies a cell or a row.
#pragma once

#include <QString>

class QAbstractItemModel;
class QTreeView;

namespace ruz {

/// Sets view up for a StatusModel already set on it.
void SetUpStatusView(QTreeView &view);

/// The view's width that shows every column at its typical width.
int StatusViewWidth(const QTreeView &view);

/// A row's cells as shown, tab-separated.
QString StatusRowText(const QAbstractItemModel &model, int row);

}  // namespace ruz
