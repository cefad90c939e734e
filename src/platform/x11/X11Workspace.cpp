#include "platform/x11/X11Workspace.h"

#include "platform/x11/Xcb.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWindow>

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>

namespace {

// The text of a property holding one or more NUL-separated strings.
QStringList stringsOf(const QByteArray &value)
{
    QStringList strings;
    for (const QByteArray &part : value.split('\0')) {
        if (!part.isEmpty())
            strings << QString::fromUtf8(part);
    }
    return strings;
}

QString executableName(uint32_t pid)
{
    const QString process = QStringLiteral("/proc/%1").arg(pid);
    const QString target = QFile::symLinkTarget(process + QStringLiteral("/exe"));
    if (!target.isEmpty())
        return QFileInfo(target).fileName();
    QFile comm(process + QStringLiteral("/comm"));
    if (comm.open(QIODevice::ReadOnly))
        return QString::fromUtf8(comm.readAll()).trimmed();
    return {};
}

} // namespace

X11Workspace::X11Workspace(xcb_connection_t *connection, const QString &ownBundleIdentifier)
    : m_connection(connection)
    , m_ownBundleIdentifier(ownBundleIdentifier)
    , m_atoms(connection)
{
    if (m_connection) {
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
        if (screens.rem > 0)
            m_root = screens.data->root;
    }
}

xcb_connection_t *X11Workspace::qtConnection()
{
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->connection();
    return nullptr;
}

uint32_t X11Workspace::processOfWindow(uint32_t window)
{
    const QByteArray pid = Xcb::property(m_connection, window, m_atoms.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (pid.size() >= 4)
        return *reinterpret_cast<const uint32_t *>(pid.constData());
    // Clients that do not set _NET_WM_PID: ask the server which process owns the window.
    xcb_res_client_id_spec_t clientQuery{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    Xcb::Reply<xcb_res_query_client_ids_reply_t> reply(xcb_res_query_client_ids_reply(
        m_connection, xcb_res_query_client_ids(m_connection, 1, &clientQuery), nullptr));
    if (!reply)
        return 0;
    // Only the process ID was asked for, so every value the server returns is one.
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0;
         xcb_res_client_id_value_next(&it)) {
        if (xcb_res_client_id_value_value_length(it.data) > 0)
            return *xcb_res_client_id_value_value(it.data);
    }
    return 0;
}

ApplicationIdentity X11Workspace::ownIdentity()
{
    if (std::optional<DesktopEntry> entry = m_applications.entryForId(m_ownBundleIdentifier))
        return {m_ownBundleIdentifier, entry->name};
    return {m_ownBundleIdentifier, QGuiApplication::applicationDisplayName()};
}

ApplicationIdentity X11Workspace::identityOfWindow(uint32_t window)
{
    const uint32_t pid = processOfWindow(window);
    // Qt sets neither desktop-file property on our windows: ours are known by process.
    if (pid != 0 && pid == uint32_t(::getpid()))
        return ownIdentity();

    // A toolkit's application ID names the desktop file, when there is one by that ID; some
    // (LibreOffice's org.libreoffice, Thunar's org.xfce.Thunar) name none, and the window class
    // or the process then finds it.
    const uint32_t utf8 = m_atoms.atom("UTF8_STRING");
    QString toolkitId;
    for (const char *name : {"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"}) {
        toolkitId = stringsOf(Xcb::property(m_connection, window, m_atoms.atom(name), utf8)).value(0);
        if (toolkitId.isEmpty())
            continue;
        if (const std::optional<DesktopEntry> entry = m_applications.entryForId(toolkitId))
            return {toolkitId, entry->name};
        break;
    }
    const QStringList aliases = toolkitId.isEmpty() ? QStringList() : QStringList{toolkitId};

    const QStringList windowClass = stringsOf(Xcb::property(m_connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING));
    const QString instanceName = windowClass.value(0);
    const QString className = windowClass.value(1);
    if (std::optional<DesktopEntry> entry = m_applications.entryForWindowClass(instanceName, className))
        return {entry->id, entry->name, aliases};

    const QString executable = pid ? executableName(pid) : QString();
    if (!executable.isEmpty()) {
        if (std::optional<DesktopEntry> entry = m_applications.entryForId(executable))
            return {entry->id, entry->name, aliases};
    }
    if (!toolkitId.isEmpty())
        return {toolkitId, className.isEmpty() ? toolkitId : className, executable.isEmpty() ? QStringList() : QStringList{executable}};
    if (!executable.isEmpty())
        return {executable, className.isEmpty() ? executable : className};
    return {QString(), className};
}

bool X11Workspace::ownWindowHasFocus()
{
    const Xcb::Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return false;
    const uint32_t pid = processOfWindow(focus->focus);
    return pid != 0 && pid == uint32_t(::getpid());
}

ApplicationIdentity X11Workspace::frontmostApplication()
{
    if (!m_connection || !m_root)
        return {};
    // Kavla is the frontmost application while one of its windows has the keyboard: its popup
    // (override-redirect, never _NET_ACTIVE_WINDOW, and holding the keyboard by a grab while
    // the focus stays where it was) as long as it is shown, another window while the X server
    // gives it the focus. Qt's own focus window is not asked: it learns that a closed popup
    // lost the keyboard only when the event arrives, and a copy made meanwhile would be lost.
    const QList<QWindow *> windows = QGuiApplication::topLevelWindows();
    if (std::any_of(windows.cbegin(), windows.cend(), [](const QWindow *window) {
            return window->type() == Qt::Popup && window->isVisible();
        })
        || ownWindowHasFocus())
        return ownIdentity();
    const QList<uint32_t> active = Xcb::windows(m_connection, m_root, m_atoms.atom("_NET_ACTIVE_WINDOW"));
    if (active.isEmpty() || active.first() == 0)
        return {};
    // Some window managers leave the property naming a window that is gone, and its id may
    // already belong to another client: only a managed window counts.
    if (!Xcb::windows(m_connection, m_root, m_atoms.atom("_NET_CLIENT_LIST")).contains(active.first()))
        return {};
    return identityOfWindow(active.first());
}

std::optional<QString> X11Workspace::urlForApplication(const QString &bundleIdentifier)
{
    if (std::optional<DesktopEntry> entry = m_applications.entryForId(bundleIdentifier))
        return entry->path;
    return std::nullopt;
}

QIcon X11Workspace::iconForFile(const QString &location)
{
    if (std::optional<DesktopEntry> entry = DesktopApplications::readDesktopFile(location, {}))
        return DesktopApplications::iconForEntry(*entry);
    return {};
}

QList<RunningApplication> X11Workspace::runningApplications()
{
    QList<RunningApplication> applications;
    if (!m_connection || !m_root)
        return applications;
    const uint32_t typeAtom = m_atoms.atom("_NET_WM_WINDOW_TYPE");
    const uint32_t normalType = m_atoms.atom("_NET_WM_WINDOW_TYPE_NORMAL");
    const uint32_t stateAtom = m_atoms.atom("_NET_WM_STATE");
    const uint32_t skipTaskbar = m_atoms.atom("_NET_WM_STATE_SKIP_TASKBAR");
    QStringList seen;
    for (const uint32_t window : Xcb::windows(m_connection, m_root, m_atoms.atom("_NET_CLIENT_LIST"))) {
        const QByteArray types = Xcb::property(m_connection, window, typeAtom, XCB_ATOM_ATOM);
        const auto *typeList = reinterpret_cast<const uint32_t *>(types.constData());
        const qsizetype typeCount = types.size() / qsizetype(sizeof(uint32_t));
        // A managed window without a type is a normal one.
        if (typeCount > 0 && typeList[0] != normalType)
            continue;
        const QByteArray states = Xcb::property(m_connection, window, stateAtom, XCB_ATOM_ATOM);
        const auto *stateList = reinterpret_cast<const uint32_t *>(states.constData());
        bool skipped = false;
        for (qsizetype i = 0; i < states.size() / qsizetype(sizeof(uint32_t)); ++i)
            skipped = skipped || stateList[i] == skipTaskbar;
        if (skipped)
            continue;
        const ApplicationIdentity identity = identityOfWindow(window);
        if (identity.bundleIdentifier.isEmpty() || seen.contains(identity.bundleIdentifier))
            continue;
        seen << identity.bundleIdentifier;
        RunningApplication application;
        application.bundleIdentifier = identity.bundleIdentifier;
        if (!identity.name.isEmpty())
            application.localizedName = identity.name;
        application.isRegular = true;
        applications << application;
    }
    return applications;
}
