#include "platform/x11/X11Session.h"

#include <QtGlobal>

#include <xcb/xcb.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace X11Session {

namespace {

enum class Probe { Answered, Refused };

// Connects on a thread of its own: a server that accepts the connection and never answers
// would otherwise block the start for good.
std::optional<Probe> probe(const QByteArray &display)
{
    auto result = std::make_shared<std::promise<Probe>>();
    std::future<Probe> answer = result->get_future();
    std::thread([display, result] {
        xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
        const bool ok = connection && xcb_connection_has_error(connection) == 0;
        if (connection)
            xcb_disconnect(connection);
        result->set_value(ok ? Probe::Answered : Probe::Refused);
    }).detach();
    if (answer.wait_for(std::chrono::milliseconds(ConnectTimeoutMs)) != std::future_status::ready)
        return std::nullopt;
    return answer.get();
}

} // namespace

bool selectPlatform(QString *reason)
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        *reason = QStringLiteral("no graphical session: DISPLAY is not set (Kavla needs an X11 "
                                 "desktop session, or XWayland)");
        return false;
    }
    const std::optional<Probe> result = probe(display);
    if (!result) {
        *reason = QStringLiteral("no graphical session: the X display \"%1\" does not answer")
                      .arg(QString::fromLocal8Bit(display));
        return false;
    }
    if (*result == Probe::Refused) {
        *reason = QStringLiteral("no graphical session: cannot open the X display \"%1\"")
                      .arg(QString::fromLocal8Bit(display));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

} // namespace X11Session
