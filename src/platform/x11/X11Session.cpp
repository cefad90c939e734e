#include "platform/x11/X11Session.h"

#include <QtGlobal>

#include <xcb/xcb.h>

namespace X11Session {

bool isAvailable(QString *reason)
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")))
        return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        *reason = QStringLiteral("no graphical session: DISPLAY is not set (Kavla needs an X11 "
                                 "desktop session)");
        return false;
    }
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const bool ok = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    if (!ok) {
        *reason = QStringLiteral("no graphical session: cannot open the X display \"%1\"")
                      .arg(QString::fromLocal8Bit(display));
    }
    return ok;
}

} // namespace X11Session
