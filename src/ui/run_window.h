// The desktop front end, chosen at run time by main().
#pragma once

namespace ruz {

/// Runs the main window until it closes; returns the exit status.
/// Returns -1 when no window can be shown (no display), without side effects.
int RunMainWindow(int argc, char **argv);

}  // namespace ruz
