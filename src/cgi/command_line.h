// The command line of a child process: a CGI rule's template split into
// arguments, then its %filepath% and %query% tokens expanded in each argument.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ruz {

/// Splits a CP932 command line into arguments: blanks (space, tab) separate them,
/// double quotes group (and are removed), 2n backslashes before a double quote
/// give n backslashes and the quote acts, 2n+1 give n backslashes and a literal
/// quote; other backslashes are literal. The two bytes of a double-byte
/// character are never taken for a backslash or a quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

/// The arguments of a rule's cmdline for one file and query: split first, then
/// "%filepath%" and then "%query%" expanded inside each argument by the rules
/// of ExpandToken (a single "%" in front escapes a token, every "%" of a value
/// is doubled, no collapse). Splitting first means a value with blanks or
/// quotes stays inside its argument. All texts CP932.
std::vector<std::string> ExpandCommandLine(std::string_view cmdline, std::string_view filePath,
                                           std::string_view query);

}  // namespace ruz
