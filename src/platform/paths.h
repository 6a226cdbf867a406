// Path helpers in POSIX form ("/" separates components).
#pragma once

#include <string>
#include <string_view>

namespace ruz {

/// From the last "." of the last component, dot included, provided no blank
/// follows it; empty otherwise. ".htaccess" is an extension.
std::string_view PathFindExtension(std::string_view path);

/// The last component (the text after the last "/"); a trailing "/" stays with
/// it ("/a/b/" gives "b/"), and a path without "/" is its own file name.
std::string_view PathFindFileName(std::string_view path);

/// Drops the last component and its separator, never the root "/".
std::string PathRemoveFileSpec(std::string_view path);

/// Resolves a configured path against base: an absolute path (leading "/") stays
/// absolute; otherwise joined with one "/". "." and ".." are resolved and never
/// climb above "/". An empty path gives base itself (normalised).
std::string PathCombine(std::string_view base, std::string_view path);

/// Appends a relative part under dir: leading "/" of the part are dropped, then
/// joined and normalised as PathCombine does.
std::string PathAppend(std::string_view dir, std::string_view part);

/// The program directory, without a trailing "/": the running executable's
/// directory, unless SetProgramDirectory was called (the --home option; a
/// relative dir is taken from the working directory). Process-wide, thread-safe.
std::string ProgramDirectory();
void SetProgramDirectory(std::string_view dir);

}  // namespace ruz
