// Filtering the status list by the response cell.
#include "ui/status_filter.h"

#include "http/status_table.h"

namespace ruz {

void StatusFilter::SetErrorsOnly(bool errorsOnly) {
  if (errorsOnly == errorsOnly_) return;
  errorsOnly_ = errorsOnly;
  invalidateRowsFilter();
}

bool StatusFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const {
  if (!errorsOnly_) return true;
  const QString response =
      sourceModel()->index(sourceRow, kColResponse, sourceParent).data().toString();
  return response.startsWith(u'4') || response.startsWith(u'5');
}

}  // namespace ruz
