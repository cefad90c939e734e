#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

class QDBusArgument;

// One history entry as the session-bus interface lists it, the D-Bus struct (ussssxb).
struct HistoryBusEntry
{
    quint32 index = 0;   // its place in the history, newest first, from 1
    QString id;          // the entry's UUID, without braces
    QString kind;        // "text", "image", "table" or "file"
    QString title;       // the one-line title the popup shows
    QString application; // the application it was copied in, empty when unknown
    qint64 copiedAt = 0; // milliseconds since 1970-01-01 UTC
    bool pinned = false;

    // Makes the struct and lists of it known to QtDBus; once per process, before any call.
    static void registerType();
};

QDBusArgument &operator<<(QDBusArgument &argument, const HistoryBusEntry &entry);
const QDBusArgument &operator>>(const QDBusArgument &argument, HistoryBusEntry &entry);

Q_DECLARE_METATYPE(HistoryBusEntry)
