#pragma once

#include "models/ClipboardItem.h"

#include <QList>
#include <QMetaType>
#include <QUuid>

// What one save wrote to the history, announced by the container right after the commit, so that
// listeners follow the store without reading it again. Inserted and updated records are the
// live ones, their fields as saved.
struct StoreChanges
{
    struct Update
    {
        ClipboardItemPtr item;
        unsigned fields = 0; // ClipboardItem::Field bits
    };

    QList<ClipboardItemPtr> inserted;
    QList<QUuid> deleted;
    QList<Update> updated;

    bool isEmpty() const { return inserted.isEmpty() && deleted.isEmpty() && updated.isEmpty(); }
};

Q_DECLARE_METATYPE(StoreChanges)
