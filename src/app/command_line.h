// The command line: `ruz [--headless] [--home DIR] [-- TOOLKIT-OPTIONS...]`,
// `ruz --help`, `ruz --version`.
#pragma once

#include <string>
#include <vector>

namespace ruz {

/// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the server or its folder cannot start
inline constexpr int kExitUsage = 2;    // an unknown option or a missing argument

enum class CommandAction { kRun, kHelp, kVersion, kUsageError };

struct CommandLine {
  CommandAction action = CommandAction::kRun;
  bool headless = false;
  bool hasHome = false;
  std::string home;   // as given (file-system text), valid when hasHome
  std::string error;  // what was wrong, valid for kUsageError
  /// The program name followed by the arguments after "--", for the window's
  /// toolkit (e.g. -platform offscreen); the pointers are argv's.
  std::vector<char *> toolkitArgs;
};

/// Reads argv from left to right; the first --help, --version or mistake decides.
CommandLine ParseCommandLine(int argc, char **argv);

/// The usage text; programFolder names where ruz.ini is read from without --home.
std::string UsageText(const std::string &programFolder);

}  // namespace ruz
