#include "ui/translucency.h"

#include <QGuiApplication>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <string>

#include <xcb/xcb.h>

#include "platform/environment.h"

namespace ruz {

using namespace Qt::StringLiterals;

namespace {

xcb_connection_t *X11Connection() {
  if (QGuiApplication::platformName() != u"xcb"_s) return nullptr;
  auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t InternAtom(xcb_connection_t *connection, const std::string &name) {
  const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()),
                                      name.c_str());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

/// The screen number of DISPLAY (":0.1" gives 1; no screen part gives 0).
int DisplayScreen() {
  std::string display;
  GetEnvironmentValue("DISPLAY", display);
  const std::size_t colon = display.rfind(':');
  const std::size_t dot = display.find('.', colon == std::string::npos ? 0 : colon);
  if (dot == std::string::npos) return 0;
  return std::atoi(display.c_str() + dot + 1);
}

}  // namespace

bool TranslucencyPossible() {
  xcb_connection_t *connection = X11Connection();
  if (!connection) return false;
  const xcb_atom_t selection =
      InternAtom(connection, "_NET_WM_CM_S" + std::to_string(DisplayScreen()));
  if (selection == XCB_ATOM_NONE) return false;
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                    nullptr),
      &std::free);
  return owner && owner->owner != XCB_WINDOW_NONE;
}

std::optional<std::uint32_t> X11WindowOpacity(const QWidget &widget) {
  xcb_connection_t *connection = X11Connection();
  if (!connection) return std::nullopt;
  const xcb_atom_t property = InternAtom(connection, "_NET_WM_WINDOW_OPACITY");
  const auto window = static_cast<xcb_window_t>(widget.winId());
  const auto cookie = xcb_get_property(connection, 0, window, property, XCB_ATOM_CARDINAL, 0, 1);
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(connection, cookie, nullptr), &std::free);
  if (!reply || xcb_get_property_value_length(reply.get()) != 4) return std::nullopt;
  return *static_cast<const std::uint32_t *>(xcb_get_property_value(reply.get()));
}

}  // namespace ruz
