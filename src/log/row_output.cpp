// The status rows as terminal lines.
#include "log/row_output.h"

#include <cstdio>

#include "platform/text_codes.h"

namespace ruz {

namespace {

void AppendEscaped(std::string &out, unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", byte);
  out += text;
}

}  // namespace

std::string EscapeControlBytes(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x20 || c == 0x7F) {
      AppendEscaped(out, c);
    } else if (c == 0xC2 && i + 1 < utf8.size() &&
               static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      AppendEscaped(out, c);
      AppendEscaped(out, static_cast<unsigned char>(utf8[++i]));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string RowLine(const MemoryStatusView &view, int row) {
  std::string line;
  for (int column = 0; column < kStatusColumns; ++column) {
    if (column > 0) line += '\t';
    line += EscapeControlBytes(Cp932ToUtf8(view.CellText(row, column)));
  }
  return line;
}

// Printed when the slot is released, after the log line has been written, so a
// reader of the printed rows finds every printed request in the log.
void PrintingStatusView::RowFinished(int row) {
  if (row >= 0 && row < RowCount() && sink_) sink_(RowLine(*this, row));
}

}  // namespace ruz
