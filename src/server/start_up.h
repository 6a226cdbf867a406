// Starting the server from ruz.ini: the sequence both front ends run when the
// program starts, and the restart that reads the file again.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/startup_checks.h"
#include "server/context.h"

namespace ruz {

/// Shows the front end's operator what cannot work, before the server starts:
/// CP932 texts, one per problem (none when all is well). False gives the start
/// up (the window was closed under a warning).
using StartReview = std::function<bool(const std::vector<std::string> &cp932Warnings)>;

/// The program's start: ruz.ini loaded into *context.settings and the document
/// root's final "/" dropped; review is shown the load failure alone when the
/// file cannot be read (the record then starts as it stands), else the
/// StartupWarnings that name their fix for place; then, unless review gave up,
/// StartServer. True when the server runs; a failed start has warned through
/// context.showWarning and left its reason in context.startFailure.
bool StartFromSettings(ServerContext &context, FixPlace place, const StartReview &review);

/// StopServer (when the server runs), ruz.ini read again into the emptied
/// settings, StartServer; the root is kept as written. True when the server
/// runs again. An unreadable ruz.ini is warned about through
/// context.showWarning and the server starts with the emptied settings; a
/// failed start warns itself.
bool RestartFromSettings(ServerContext &context);

}  // namespace ruz
