// The directive table, the dispatch by command word, and the config directive.
#include "ssi/directives.h"

#include <array>

#include "ssi/attributes.h"
#include "ssi/document.h"

namespace ruz {

namespace {

struct DirectiveEntry {
  std::string_view name;
  int (*run)(SsiDocument &, std::string_view);
};

// The order matters: a command word selects the first name it begins.
constexpr std::array<DirectiveEntry, 8> kDirectives = {{
    {"echo", SsiEcho},
    {"config", SsiConfig},
    {"fsize", SsiFsize},
    {"flastmod", SsiFlastmod},
    {"include", SsiInclude},
    {"exec", SsiExec},
    {"set", SsiSet},
    {"printenv", SsiPrintenv},
}};

const DirectiveEntry *FindDirective(std::string_view word) {
  for (const DirectiveEntry &entry : kDirectives) {
    if (entry.name.substr(0, word.size()) == word) return &entry;
  }
  return nullptr;
}

}  // namespace

int DispatchSsiDirective(SsiDocument &document, std::string_view directive) {
  const std::size_t blank = directive.find(' ');
  if (blank == std::string_view::npos) return 0;
  const DirectiveEntry *entry = FindDirective(directive.substr(0, blank));
  if (entry == nullptr) return 0;
  return entry->run(document, directive.substr(blank));
}

int SsiConfig(SsiDocument &document, std::string_view attributes) {
  std::string value;
  if (GetSsiAttribute(attributes, value, "sizefmt")) {
    document.sizeFormat = value.substr(0, kSsiFormatLimit);
  }
  if (GetSsiAttribute(attributes, value, "timefmt")) {
    document.timeFormat = value.substr(0, kSsiFormatLimit);
  }
  return 1;
}

}  // namespace ruz
