// Placeholder until CGI runs: no file is a CGI program.
#include "cgi/cgi.h"

namespace ruz {

int FindCgiRule(const ServerSettings &, std::string_view) { return -1; }

bool ServeCgi(ConnectionSlot &, RequestInfo &, int, std::uint64_t &) { return false; }

}  // namespace ruz
