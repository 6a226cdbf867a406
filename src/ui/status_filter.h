// The status list's filter: every row, or only the rows answered with an error.
#pragma once

#include <QSortFilterProxyModel>

namespace ruz {

class StatusFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  /// Only rows whose response is 4xx or 5xx, or every row.
  void SetErrorsOnly(bool errorsOnly);
  bool ErrorsOnly() const { return errorsOnly_; }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

 private:
  bool errorsOnly_ = false;
};

}  // namespace ruz
