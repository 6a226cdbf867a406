// The directive loop over a document's text.
#include "ssi/document.h"

namespace ruz {

namespace {

constexpr std::string_view kOpen = "<!--#";
constexpr std::string_view kClose = "-->";

// Empty pieces are not sent: there is nothing to tell the client.
bool SendPiece(SsiDocument &document, std::string_view piece) {
  return piece.empty() || document.output->Send(piece);
}

}  // namespace

bool ProcessSsiText(SsiDocument &document, std::string_view text) {
  std::size_t position = 0;
  for (;;) {
    const std::size_t open = text.find(kOpen, position);
    if (open == std::string_view::npos) {
      return SendPiece(document, text.substr(position));
    }
    if (!SendPiece(document, text.substr(position, open - position))) return false;
    const std::size_t begin = open + kOpen.size();
    const std::size_t close = text.find(kClose, begin);
    if (close == std::string_view::npos) return true;
    DispatchSsiDirective(document, text.substr(begin, close - begin));
    position = close + kClose.size();
  }
}

}  // namespace ruz
