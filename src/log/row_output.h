// The status rows as terminal lines, for the headless front end.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "log/status_view.h"

namespace ruz {

/// UTF-8 text with every control character written as \xNN (bytes 0x00-0x1F and
/// 0x7F, and the two bytes of U+0080-U+009F), so a request cannot drive the
/// operator's terminal and a tab can never split a cell.
std::string EscapeControlBytes(std::string_view utf8);

/// The six cells of a CP932 row as one UTF-8 line, tab-separated, without a
/// line end.
std::string RowLine(const MemoryStatusView &view, int row);

/// A status list that hands each row to a sink when its response cell is
/// written, that is when its request has ended.
class PrintingStatusView : public MemoryStatusView {
 public:
  explicit PrintingStatusView(std::function<void(const std::string &line)> sink)
      : sink_(std::move(sink)) {}
  void RowFinished(int row) override;

 private:
  std::function<void(const std::string &)> sink_;
};

}  // namespace ruz
