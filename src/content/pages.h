// The generated HTML pages for directory requests: the listing and the
// redirect to the path with its final "/". Pure functions of their inputs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace ruz {

/// The project's web page, linked from the footer of every generated page.
extern const char *const kProjectPageUrl;

/// The address line with the link to the project's page, and the end of the page.
std::string PageEnd();

/// name with &, <, >, " and ' replaced by character references.
std::string EscapeHtmlName(std::string_view name);

/// True for entries a listing never shows (names beginning with ".").
bool IsHiddenName(std::string_view name);

/// The title of a listing: path cut to kPathCapacity bytes (never inside a
/// double-byte character), without a final "/" (so "/" gives "").
std::string ListingTitle(std::string_view path);

/// The whole listing page of the directory at request path path: the parent
/// row, the visible directories, then the visible files, each group in the
/// order of entries.
std::string BuildListingPage(std::string_view path, const std::vector<DirEntry> &entries);

/// The Location value of a directory redirect: path with "/" appended and its
/// leading slashes collapsed to one, so it can never name another host;
/// percent-encoded to ASCII.
std::string RedirectLocation(std::string_view path);

/// The body of the redirect page pointing at location.
std::string BuildRedirectPage(std::string_view location);

}  // namespace ruz
