#pragma once

#include "platform/DefaultsStore.h"

#include <QHash>
#include <QJsonObject>
#include <QTimer>

#include <chrono>

// The defaults store kept in a JSON file, $XDG_CONFIG_HOME/kavla/defaults.json.
//
// Each value is written with its type, {"maxHistoryCount": {"type": "integer", "value": 30}};
// types are boolean, integer, double, string, stringArray and data (base64). Plain values a
// person writes by hand are read too: true/false, a string, a whole number (integer), any other
// number (double), an array of strings. Values live in memory and change there at once; the
// file follows SaveDelay after the first unwritten change (later changes do not push that back),
// so a burst of changes such as a slider being dragged costs one write, and a steady stream
// about two a second. Each write replaces the whole file atomically (folder 0700, file 0600).
// flush() writes at once, and the destructor flushes, which covers quitting.
//
// A file that cannot be read or parsed is never silently overwritten: the store starts empty,
// says so on standard error, and moves the file aside as defaults.json.damaged before its first
// write. Entries it cannot read inside a good file read as absent but are written back untouched.
// A write the disk refuses is reported on standard error; the values still hold in memory and
// stay unwritten, so the next change, flush() or the destructor tries again.
class JsonDefaultsStore : public DefaultsStore
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds SaveDelay{500};
    // A preferences file above this size is treated as damaged rather than read.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    explicit JsonDefaultsStore(const QString &filePath, QObject *parent = nullptr);
    ~JsonDefaultsStore() override;

    // $XDG_CONFIG_HOME/kavla/defaults.json
    static QString defaultPath();

    QString filePath() const { return m_filePath; }
    // Where a damaged file is (or will be) kept; empty when the file was sound.
    QString damagedCopyPath() const { return m_damagedCopyPath; }

    QVariant object(const QString &key) const override;
    void set(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    // Writes the file now when some change is not yet in it; otherwise does nothing.
    void flush() override;
    // Whether some change is not yet in the file (held back, or refused by the disk).
    bool hasUnsavedChanges() const { return m_unsavedChanges; }
    // How many times the file has been written, for tests of the coalescing.
    int writeCount() const { return m_writeCount; }

private:
    void load();
    bool moveDamagedFileAside();
    bool ensureFolder() const;
    void scheduleSave();
    bool save();

    QString m_filePath;
    QString m_damagedCopyPath;
    bool m_damagedFilePending = false;
    QHash<QString, QVariant> m_values;
    QJsonObject m_unreadableEntries;
    QTimer m_saveTimer;
    bool m_unsavedChanges = false;
    int m_writeCount = 0;
};
