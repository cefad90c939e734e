#pragma once

#include "platform/LoginItemService.h"

#include <QString>

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/com.tarnwick.Kavla.desktop:
// absent, not registered; present, enabled; present but switched off by the desktop
// (Hidden=true or X-GNOME-Autostart-enabled=false), waiting for the user's approval.
class XdgAutostartLoginItem : public LoginItemService
{
public:
    // `executable` is what the entry starts: the running binary's absolute path.
    XdgAutostartLoginItem(const QString &entryPath, const QString &executable);

    // $XDG_CONFIG_HOME/autostart/<desktopFileId>.desktop
    static QString defaultEntryPath(const QString &desktopFileId);

    QString entryPath() const { return m_entryPath; }

    int status() const override;
    bool registerItem(QString *error) override;
    bool unregisterItem(QString *error) override;
    // The first startup-applications settings program installed, else the autostart folder.
    void openSystemSettings() override;

    // The contents of the entry written for `executable`.
    static QByteArray entryContents(const QString &executable);

private:
    QString m_entryPath;
    QString m_executable;
};
