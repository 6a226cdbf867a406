// Long texts cut in the middle, shown whole in a tooltip.
#pragma once

class QAbstractItemView;

namespace ruz {

/// Makes view cut long cells in the middle (so a path keeps its file name) and
/// show a cut cell's whole text as its tooltip.
void ElideInTheMiddleWithTips(QAbstractItemView &view);

}  // namespace ruz
