// Path helpers in POSIX form ("/" separates components), and the program folder:
// where it is, and the per-user folder of an installed program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

/// The settings file's name; it lives in the program directory.
inline constexpr const char *kIniFileName = "ruz.ini";

/// The longest path, in bytes, that settings, requests and documents may name:
/// the limit of the original system's paths, kept so that a settings file
/// means the same everywhere.
inline constexpr std::size_t kMaxPathLength = 259;

/// The size of the original system's path buffers, terminator included. Texts
/// that were copied into such a buffer whole (a listing's title, the folder an
/// SSI document runs in) are cut to this many bytes.
inline constexpr std::size_t kPathCapacity = kMaxPathLength + 1;

/// The program directory, without a trailing "/": the running executable's
/// directory, unless SetProgramDirectory was called (the --home option; a
/// relative dir is taken from the working directory). Process-wide, thread-safe.
std::string ProgramDirectory();
void SetProgramDirectory(std::string_view dir);

/// The running executable's directory ("/" when it cannot be found).
std::string ExecutableDirectory();

/// Where the sample settings, site and help files are installed: a folder fixed
/// by the build relative to the executable's (share/ruz beside bin/).
std::string InstalledDataDirectory();

/// The first of folders that holds a file (not a folder) called name, as its
/// path; "" when none does.
std::string FindFileInFolders(std::string_view name, const std::vector<std::string> &folders);

/// The per-user program folder: $XDG_CONFIG_HOME/ruz, or $HOME/.config/ruz when
/// XDG_CONFIG_HOME is unset, empty or relative; "" when HOME is no absolute path either.
std::string UserProgramFolder();

/// The program folder when none is given on the command line. The executable's
/// folder when it holds ruz.ini (a portable folder), or when it is writable and
/// no installed data folder (installedData, holding the sample ruz.ini) exists,
/// as in a build tree; otherwise, for an installed program, userFolder.
struct ProgramFolderChoice {
  std::string directory;
  bool perUser = false;  // directory is userFolder
};
ProgramFolderChoice ChooseProgramFolder(std::string_view exeDir, std::string_view installedData,
                                        std::string_view userFolder);

/// Readies the per-user folder: unless it holds ruz.ini already, makes it and
/// copies into it whatever it lacks of the installed data folder (the sample
/// ruz.ini and site, the help files). Existing files are never replaced. False
/// when the folder cannot be made or filled.
bool PrepareUserFolder(std::string_view folder, std::string_view installedData);

}  // namespace ruz
