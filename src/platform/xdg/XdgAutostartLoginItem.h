#pragma once

#include "platform/LoginItemService.h"

#include <QString>

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/com.tarnwick.Kavla.desktop:
// absent, not registered; present, enabled; present but switched off by the desktop
// (Hidden=true or X-GNOME-Autostart-enabled=false), waiting for the user's approval.
//
// The entry is read like the preferences file: only a regular file of at most MaxEntryBytes,
// opened without blocking. Anything else at that path (a folder, a named pipe, a link to a
// device, a huge file) is Unreadable: reported once on standard error and left as it is, and
// registering over it fails. An entry the user wrote or edited keeps its own lines when Kavla
// switches it on; only the lines that keep it from starting are changed.
class XdgAutostartLoginItem : public LoginItemService
{
public:
    static constexpr qint64 MaxEntryBytes = 64 * 1024;
    // Something is at the entry's path that is not an entry Kavla can read.
    static constexpr int Unreadable = 3;

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
    // `existing` switched on: the lines that switch it off turned on, an Exec line for
    // `executable` and the keys an entry needs added where missing, every other line kept.
    static QByteArray switchedOn(const QByteArray &existing, const QString &executable);

private:
    QString m_entryPath;
    QString m_executable;
    mutable QString m_reportedProblem;
};
