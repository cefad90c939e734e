#include "platform/wayland/WaylandWorkspace.h"

#include <QGuiApplication>

WaylandWorkspace::WaylandWorkspace(const QString &ownBundleIdentifier)
    : m_ownBundleIdentifier(ownBundleIdentifier)
{
}

ApplicationIdentity WaylandWorkspace::frontmostApplication()
{
    if (!QGuiApplication::focusWindow())
        return {};
    if (std::optional<DesktopEntry> entry = m_applications.entryForId(m_ownBundleIdentifier))
        return {m_ownBundleIdentifier, entry->name};
    return {m_ownBundleIdentifier, QGuiApplication::applicationDisplayName()};
}

std::optional<QString> WaylandWorkspace::urlForApplication(const QString &bundleIdentifier)
{
    if (std::optional<DesktopEntry> entry = m_applications.entryForId(bundleIdentifier))
        return entry->path;
    return std::nullopt;
}

QIcon WaylandWorkspace::iconForFile(const QString &location)
{
    if (std::optional<DesktopEntry> entry = DesktopApplications::readDesktopFile(location, {}))
        return DesktopApplications::iconForEntry(*entry);
    return {};
}
