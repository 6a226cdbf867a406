// Whether a window can be made translucent here, and the X11 opacity property.
#pragma once

#include <cstdint>
#include <optional>

class QWidget;

namespace ruz {

/// The alpha of a translucent main window (of 255).
inline constexpr int kTranslucentAlpha = 150;

/// True only on X11 with a compositing manager owning _NET_WM_CM_S<screen>.
/// Wayland, offscreen and minimal count as impossible: a window opacity set
/// there would be stored but never shown.
bool TranslucencyPossible();

/// The _NET_WM_WINDOW_OPACITY property of the widget's native window; empty
/// when not on X11 or the property is not set.
std::optional<std::uint32_t> X11WindowOpacity(const QWidget &widget);

}  // namespace ruz
