#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class ApplicationPicker;
class Preferences;
class Workspace;

// An application whose copies are never recorded.
struct IgnoredApp
{
    QString bundleIdentifier;
    QString name;

    QString id() const { return bundleIdentifier; }
    bool operator==(const IgnoredApp &other) const = default;
};
size_t qHash(const IgnoredApp &app, size_t seed = 0);

// The list of ignored applications, stored as JSON under "Kavla_IgnoredApplications". The list in
// memory is the authority while the process runs; the stored value is rewritten after each change.
class IgnoredAppsManager : public QObject
{
    Q_OBJECT
public:
    static inline const QString StorageKey = QStringLiteral("Kavla_IgnoredApplications");

    // Loads the stored list; when it is missing, undecodable or empty, the installed default
    // applications are listed and stored.
    IgnoredAppsManager(Preferences *preferences, Workspace *workspace, ApplicationPicker *picker,
                       QObject *parent = nullptr);

    // The applications checked for at first launch, in order.
    static QList<IgnoredApp> defaultApps();

    QList<IgnoredApp> ignoredApps() const { return m_ignoredApps; }

    // True when some listed ID equals this one, ignoring letter case; never for an empty ID.
    bool isIgnored(const std::optional<QString> &bundleIdentifier) const;
    // Adds the application unless its trimmed ID is empty or already listed; an empty name
    // becomes the ID.
    void add(const QString &bundleIdentifier, const QString &name);
    // Removes every record with this ID, ignoring letter case.
    void remove(const QString &bundleIdentifier);
    // Lets the user choose application files and adds each.
    void selectAppFromDisk();
    // The running ordinary applications that are not ignored yet and not Kavla, sorted by name.
    QList<IgnoredApp> getRunningApplications() const;
    // The icon of an installed application; null when it is not installed.
    QIcon icon(const IgnoredApp &app) const;

    // The stored form: a compact JSON array of {"bundleIdentifier", "name"} objects.
    static QByteArray encode(const QList<IgnoredApp> &apps);
    // nullopt with the reason in `error` when the value is not such an array.
    static std::optional<QList<IgnoredApp>> decode(const QByteArray &data, QString *error);

Q_SIGNALS:
    void ignoredAppsChanged();

private:
    void load();
    void save();

    Preferences *m_preferences;
    Workspace *m_workspace;
    ApplicationPicker *m_picker;
    QList<IgnoredApp> m_ignoredApps;
};
