#pragma once

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One application's desktop file, as far as Kavla needs it.
struct DesktopEntry
{
    QString id;       // the desktop-file ID: path below applications/ with '/' as '-', no .desktop
    QString path;
    QString name;     // Name[locale], else Name, else the ID
    std::optional<QString> localizedName; // Name[locale] as written
    std::optional<QString> plainName;     // Name as written
    QString icon;
    QString startupWMClass;
};

// The installed applications: the desktop files of the XDG applications folders
// ($XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications, flatpak exports
// included). Earlier folders hide later files of the same ID. Lookups ignore letter case.
// The index is rebuilt when one of the folders changes.
class DesktopApplications
{
public:
    DesktopApplications();

    static QStringList applicationFolders();

    std::optional<DesktopEntry> entryForId(const QString &id);
    // The application whose StartupWMClass, else whose ID, equals one of the window's WM_CLASS
    // names (class first, then instance).
    std::optional<DesktopEntry> entryForWindowClass(const QString &instanceName,
                                                    const QString &className);

    // Reads one desktop file; nullopt when it is not one. `id` may be empty.
    static std::optional<DesktopEntry> readDesktopFile(const QString &path, const QString &id);
    // The ID of the desktop file at `path` when it lies in an applications folder.
    static std::optional<QString> idForPath(const QString &path);
    static QIcon iconForEntry(const DesktopEntry &entry);

private:
    void refreshIfChanged();

    QStringList m_folders;
    QList<QDateTime> m_folderTimes;
    QHash<QString, DesktopEntry> m_byId;           // lower-cased ID
    QHash<QString, QString> m_idByWindowClass;     // lower-cased StartupWMClass -> ID
};
