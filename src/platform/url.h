// URL request paths: unescaping and the canonical form.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// One pass: "%" and two hex digits (either case) become that byte; everything
/// else ("+", "%zz", a trailing "%4") stays as it is; "?" and "#" are not special.
std::string UrlUnescape(std::string_view text);

/// A path as an ASCII URL path: every byte outside printable ASCII (bytes of
/// double-byte characters included), the blank, and any of " # % < > ? \\ ^ `
/// { | } becomes "%" and two upper-case hex digits; "/" and the rest stay.
std::string PercentEncodePath(std::string_view path);

/// The request path as the file system reads it: every run of "/" becomes one
/// "/", every "/./" segment goes, and a final "/." becomes "/". Every rule and
/// the mapping to a file judge this form, so "//private/a" or "/./private/a"
/// get the answer of "/private/a". ".." segments stay for HasValidPathForm to
/// refuse.
std::string CanonicalRequestPath(std::string_view path);

}  // namespace ruz
