// The front end without a window: the server, its rows printed on standard
// output by a thread of their own, messages on standard error.
#pragma once

namespace ruz {

/// Loads the settings, starts the server and serves until SIGINT or SIGTERM.
/// Returns the exit status: 0 after a stop, 1 when the server cannot start.
int RunHeadless();

}  // namespace ruz
