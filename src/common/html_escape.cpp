// Text placed into an HTML page.
#include "common/html_escape.h"

namespace ruz {

std::string EscapeHtml(std::string_view text, Ampersand ampersand) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += ampersand == Ampersand::kEscape ? "&amp;" : "&"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

}  // namespace ruz
