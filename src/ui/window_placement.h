// The main window's position and size, kept in ruz.ini under the hidden keys
// windowx, windowy, windowwidth and windowheight of [RUZ].
#pragma once

#include <QList>
#include <QRect>

#include <optional>

#include "platform/files.h"

namespace ruz {

/// The saved placement (frame position, inner size); none when ruz.ini lacks
/// a key or the size is empty.
std::optional<QRect> LoadPlacement();

/// Writes the keys whose values differ from those in ruz.ini, up to the first
/// write that fails. Nothing is written when ruz.ini does not exist, so no
/// settings file is made from nothing.
WriteResult SavePlacement(const QRect &placement);

/// placement moved (and, if need be, shrunk) into the screen area it overlaps
/// most, or the first one when it overlaps none; unchanged when inside one.
QRect PullOnScreen(const QRect &placement, const QList<QRect> &screens);

}  // namespace ruz
