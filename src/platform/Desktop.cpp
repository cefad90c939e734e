#include "platform/Desktop.h"

#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandPasteKeySender.h"
#include "platform/wayland/WaylandSession.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11PasteKeySender.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/X11Workspace.h"
#include "platform/xdg/DesktopAlertSound.h"
#include "platform/xdg/PortalHotKeyService.h"
#include "platform/xdg/StatusNotifierHostWatcher.h"
#include "support/LogCategories.h"

#include <QGuiApplication>

std::optional<Desktop::Backend> Desktop::choose(QString *reason)
{
    const WaylandSession::Probe wayland = WaylandSession::probe();
    if (wayland == WaylandSession::Probe::DataControl) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        qCDebug(lcPlatform) << "the Wayland compositor offers clipboard data-control: running natively on Wayland";
        return Backend::Wayland;
    }
    if (!X11Session::selectPlatform(reason)) {
        if (wayland == WaylandSession::Probe::NoDataControl)
            *reason += QStringLiteral("; the Wayland compositor offers no clipboard data-control protocol");
        return std::nullopt;
    }
    const QString waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    *reason = wayland == WaylandSession::Probe::NoDataControl
        ? QStringLiteral("this Wayland desktop offers no data-control protocol")
        : waylandDisplay.isEmpty()
        ? QStringLiteral("no Wayland session (WAYLAND_DISPLAY is not set)")
        : QStringLiteral("no Wayland compositor answers at \"%1\"").arg(waylandDisplay);
    return Backend::X11;
}

Desktop::Desktop(Backend backend)
    : m_backend(backend)
    , m_alertSound(std::make_unique<DesktopAlertSound>())
{
}

Desktop::~Desktop() = default;

std::unique_ptr<Desktop> Desktop::create(Backend backend, const QString &ownBundleIdentifier)
{
    std::unique_ptr<Desktop> desktop(new Desktop(backend));
    if (backend == Backend::Wayland) {
        desktop->m_pasteboard = std::make_unique<WaylandPasteboard>();
        desktop->m_workspace = std::make_unique<WaylandWorkspace>(ownBundleIdentifier);
        // No hot key of an application's own: the desktop's GlobalShortcuts portal, where one runs.
        desktop->m_hotKeys = std::make_unique<PortalHotKeyService>();
        desktop->m_pasteKeys = std::make_unique<WaylandPasteKeySender>();
        // The tray is a StatusNotifier item, made once the desktop's host runs.
        desktop->m_trayHost = std::make_unique<StatusNotifierHostWatcher>();
    } else {
        desktop->m_pasteboard = std::make_unique<X11Pasteboard>(QGuiApplication::clipboard());
        desktop->m_workspace = std::make_unique<X11Workspace>(X11Workspace::qtConnection(), ownBundleIdentifier);
        desktop->m_hotKeys = std::make_unique<X11HotKeyService>();
        // Pasting a chosen entry into the window that was in front, through XTest.
        desktop->m_pasteKeys = std::make_unique<X11PasteKeySender>(QGuiApplication::clipboard());
    }
    qCDebug(lcPlatform) << "desktop built for" << (backend == Backend::Wayland ? "Wayland" : "X11");
    return desktop;
}
