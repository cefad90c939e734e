#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// One Localizable.strings table: UTF-8 lines `"key" = "value";` with the escapes \" \\ \n \t \r
// and \uXXXX, and /* */ or // comments. A malformed file gives no entries at all, with the
// reason in errors(), rather than a half-read table that silently drops the texts after the fault.
class StringsTable
{
public:
    StringsTable() = default;

    static StringsTable parse(const QByteArray &utf8, const QString &origin = {});
    static StringsTable load(const QString &filePath);

    bool contains(const QString &key) const { return m_entries.contains(key); }
    QString value(const QString &key, const QString &fallback) const { return m_entries.value(key, fallback); }
    const QHash<QString, QString> &entries() const { return m_entries; }
    // Keys in the order of the file, so reports follow the file a translator edits.
    const QStringList &keysInOrder() const { return m_order; }

    bool isValid() const { return m_errors.isEmpty(); }
    const QStringList &errors() const { return m_errors; }
    // A key given twice keeps its last value (as the platform does); listed so a table check can flag it.
    const QStringList &duplicateKeys() const { return m_duplicates; }

private:
    QHash<QString, QString> m_entries;
    QStringList m_order;
    QStringList m_errors;
    QStringList m_duplicates;
};
