// The desktop front end, chosen at run time by main().
#pragma once

namespace ruz {

/// Runs the main window until it closes; returns the exit status (0 after a
/// close, SIGINT or SIGTERM). Without a usable display it prints a message that
/// names --headless on stderr and returns 1, before touching anything else.
int RunMainWindow(int argc, char **argv);

}  // namespace ruz
