// The eight SSI directives and the helpers they share. Each receives the
// attributes text of its directive (which begins with a blank), writes its
// output through the document's output, and returns 1, or 0 when it produced
// nothing or a send failed. None reports an error in the page.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

struct DateTime;
struct SsiDocument;

/// var: refreshes the six computed variables, then sends the variable's value.
int SsiEcho(SsiDocument &document, std::string_view attributes);
/// sizefmt, timefmt: change the formats of the later directives.
int SsiConfig(SsiDocument &document, std::string_view attributes);
/// virtual or file: the file's size in the size format.
int SsiFsize(SsiDocument &document, std::string_view attributes);
/// virtual or file: the file's last-write time (UTC) in the time format.
int SsiFlastmod(SsiDocument &document, std::string_view attributes);
/// virtual or file: the file's bytes, unprocessed.
int SsiInclude(SsiDocument &document, std::string_view attributes);
/// cmd (unless refused by ssinoexeccmd), else cgi: the program's output.
int SsiExec(SsiDocument &document, std::string_view attributes);
/// var, value: replaces or appends the variable.
int SsiSet(SsiDocument &document, std::string_view attributes);
/// Every variable as NAME=value and CR LF, in block order.
int SsiPrintenv(SsiDocument &document, std::string_view attributes);

/// Puts DOCUMENT_NAME, DOCUMENT_URI, QUERY_STRING_UNESCAPED, DATE_LOCAL,
/// DATE_GMT and LAST_MODIFIED, in this order, at the end of the variable block.
void SetSsiVariables(SsiDocument &document);

/// The file a virtual or file attribute names; virtual wins. virtual is a
/// request path judged as a request of the document's client would be (host
/// rules, its credentials, aliases, private files; a CGI program is never
/// included as text). file is a path below the document's directory: never
/// absolute, never with "..", never a private file. False, path untouched, when
/// neither attribute is present or the path is refused.
bool ResolveSsiPath(std::string &path, std::string_view attributes, const SsiDocument &document);

/// A time in the time format; "" when the format cannot be applied or the
/// result would exceed 255 characters.
std::string FormatSsiTime(const std::string &timeFormat, const DateTime &time);

}  // namespace ruz
