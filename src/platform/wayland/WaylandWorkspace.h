#pragma once

#include "platform/Workspace.h"
#include "platform/xdg/DesktopApplications.h"

// The desktop as a Wayland client sees it: the compositor tells no client which window is active
// or which applications run, so the frontmost application is Kavla itself while one of its
// windows has the focus and unknown otherwise, and no running application is listed. Installed
// applications come from the XDG applications folders as everywhere.
class WaylandWorkspace : public Workspace
{
public:
    explicit WaylandWorkspace(const QString &ownBundleIdentifier);

    ApplicationIdentity frontmostApplication() override;
    std::optional<QString> urlForApplication(const QString &bundleIdentifier) override;
    QIcon iconForFile(const QString &location) override;
    QList<RunningApplication> runningApplications() override { return {}; }
    QString ownBundleIdentifier() const override { return m_ownBundleIdentifier; }

private:
    QString m_ownBundleIdentifier;
    DesktopApplications m_applications;
};
