#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// An application as the desktop knows it: its ID (the desktop-file ID, the counterpart of a
// bundle identifier) and its display name. Either may be empty.
struct ApplicationIdentity
{
    QString bundleIdentifier;
    QString name;
    // Other IDs the same application goes by (a toolkit's application ID that names no desktop
    // file), which an ignore list may name instead.
    QStringList aliases = {};
};

// A running application with a window of its own.
struct RunningApplication
{
    std::optional<QString> bundleIdentifier;
    std::optional<QString> localizedName;
    // An ordinary application with a taskbar presence (not a panel, dock or background agent).
    bool isRegular = false;
};

// The desktop: which application is frontmost, which are installed and which are running.
class Workspace
{
public:
    virtual ~Workspace() = default;

    // The application whose window is active; empty ID and name when there is none.
    virtual ApplicationIdentity frontmostApplication() = 0;
    // Where the application with this ID is installed (its desktop file), or nullopt.
    virtual std::optional<QString> urlForApplication(const QString &bundleIdentifier) = 0;
    // The icon of the application installed at `location`; null when it has none.
    virtual QIcon iconForFile(const QString &location) = 0;
    // The running applications, in the order the desktop lists their windows.
    virtual QList<RunningApplication> runningApplications() = 0;
    // This application's own ID, or empty when unknown.
    virtual QString ownBundleIdentifier() const = 0;
};
