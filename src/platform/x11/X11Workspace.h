#pragma once

#include "platform/Workspace.h"
#include "platform/x11/Xcb.h"
#include "platform/xdg/DesktopApplications.h"

#include <QHash>
#include <QString>

#include <cstdint>

struct xcb_connection_t;

// The desktop as seen through EWMH on X11: the active window's application, the client list's
// ordinary windows, and the desktop files of the installed applications.
class X11Workspace : public Workspace
{
public:
    // `connection` may be null (no X display): then nothing is frontmost or running.
    X11Workspace(xcb_connection_t *connection, const QString &ownBundleIdentifier);
    // Qt's own connection to the display, when the application runs on X11.
    static xcb_connection_t *qtConnection();

    ApplicationIdentity frontmostApplication() override;
    std::optional<QString> urlForApplication(const QString &bundleIdentifier) override;
    QIcon iconForFile(const QString &location) override;
    QList<RunningApplication> runningApplications() override;
    QString ownBundleIdentifier() const override { return m_ownBundleIdentifier; }

private:
    ApplicationIdentity identityOfWindow(uint32_t window);
    ApplicationIdentity ownIdentity();
    uint32_t processOfWindow(uint32_t window);
    // Whether the X server's keyboard focus is on a window of this process now.
    bool ownWindowHasFocus();

    xcb_connection_t *m_connection;
    uint32_t m_root = 0;
    QString m_ownBundleIdentifier;
    Xcb::Atoms m_atoms;
    DesktopApplications m_applications;
};
