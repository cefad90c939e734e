#pragma once

#include <QString>

namespace X11Session {

// Whether Qt will find a display to start on: the X server named by DISPLAY answers, or another
// Qt platform (offscreen, wayland, ...) was chosen through QT_QPA_PLATFORM. On false, `reason`
// says what is missing in words a user understands.
bool isAvailable(QString *reason);

} // namespace X11Session
