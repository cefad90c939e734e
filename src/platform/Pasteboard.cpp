#include "platform/Pasteboard.h"

#include <malloc.h>

void Pasteboard::deliverContents(const PasteboardSnapshot &snapshot)
{
    qsizetype bytes = 0;
    for (const QString &type : snapshot.types())
        bytes += snapshot.data(type).value_or(QByteArray()).size();
    Q_EMIT contentsRead(snapshot);
    // After a large copy, hand the freed memory back to the system rather than keep it mapped.
    if (bytes > 1024 * 1024)
        QMetaObject::invokeMethod(this, [] { ::malloc_trim(0); }, Qt::QueuedConnection);
}
