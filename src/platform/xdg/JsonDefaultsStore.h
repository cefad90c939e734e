#pragma once

#include "platform/DefaultsStore.h"

#include <QHash>
#include <QJsonObject>

// The defaults store kept in a JSON file, $XDG_CONFIG_HOME/kavla/defaults.json.
//
// Each value is written with its type, {"maxHistoryCount": {"type": "integer", "value": 30}};
// types are boolean, integer, double, string, stringArray and data (base64). Plain values a
// person writes by hand are read too: true/false, a string, a whole number (integer), any other
// number (double), an array of strings. Values live in memory; every change rewrites the whole
// file atomically (folder 0700, file 0600).
//
// A file that cannot be read or parsed is never silently overwritten: the store starts empty,
// says so on standard error, and moves the file aside as defaults.json.damaged before its first
// write. Entries it cannot read inside a good file read as absent but are written back untouched.
// A write the disk refuses is reported on standard error; the value still holds in memory.
class JsonDefaultsStore : public DefaultsStore
{
    Q_OBJECT
public:
    explicit JsonDefaultsStore(const QString &filePath, QObject *parent = nullptr);

    // $XDG_CONFIG_HOME/kavla/defaults.json
    static QString defaultPath();

    QString filePath() const { return m_filePath; }
    // Where a damaged file is (or will be) kept; empty when the file was sound.
    QString damagedCopyPath() const { return m_damagedCopyPath; }

    QVariant object(const QString &key) const override;
    void set(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

private:
    void load();
    bool moveDamagedFileAside();
    bool ensureFolder() const;
    void save();

    QString m_filePath;
    QString m_damagedCopyPath;
    bool m_damagedFilePending = false;
    QHash<QString, QVariant> m_values;
    QJsonObject m_unreadableEntries;
};
