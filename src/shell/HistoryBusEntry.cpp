#include "shell/HistoryBusEntry.h"

#include <QDBusArgument>
#include <QDBusMetaType>

void HistoryBusEntry::registerType()
{
    qDBusRegisterMetaType<HistoryBusEntry>();
    qDBusRegisterMetaType<QList<HistoryBusEntry>>();
}

QDBusArgument &operator<<(QDBusArgument &argument, const HistoryBusEntry &entry)
{
    argument.beginStructure();
    argument << entry.index << entry.id << entry.kind << entry.title << entry.application << entry.copiedAt
             << entry.pinned;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, HistoryBusEntry &entry)
{
    argument.beginStructure();
    argument >> entry.index >> entry.id >> entry.kind >> entry.title >> entry.application >> entry.copiedAt
        >> entry.pinned;
    argument.endStructure();
    return argument;
}
