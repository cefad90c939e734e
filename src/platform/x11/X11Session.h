#pragma once

#include <QString>

namespace X11Session {

// How long the X server named by DISPLAY has to answer a connection before Kavla gives up.
constexpr int ConnectTimeoutMs = 3000;

// Chooses the platform layer, once, before the Qt application exists: when the X server named by
// DISPLAY answers, Qt is told to use xcb whatever QT_QPA_PLATFORM, XDG_SESSION_TYPE or
// WAYLAND_DISPLAY say, since every desktop service of Kavla speaks X11. On false no usable
// display was found, and `reason` says so in words a user understands.
bool selectPlatform(QString *reason);

} // namespace X11Session
