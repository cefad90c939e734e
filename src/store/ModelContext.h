#pragma once

#include "models/ClipboardItem.h"
#include "store/FetchDescriptor.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <optional>

class ModelContainer;

// Pending changes to the history and the door to its records. Inserts, deletions and field
// changes take effect here at once and reach the database at save(), in one transaction; after
// a failed save they stay pending. A record of a given id is one object for as long as anyone
// holds it, so records compare by identity.
class ModelContext : public QObject
{
    Q_OBJECT
public:
    // A long text's folded copy (SearchText) is stored in chunks of this many UTF-8 bytes, each
    // followed by the next SearchChunkOverlap bytes of the text, so that a search text of up to
    // that length is found inside one chunk wherever it lies.
    static constexpr qsizetype SearchChunkBytes = 64 * 1024;
    static constexpr qsizetype SearchChunkOverlap = 1024;

    explicit ModelContext(ModelContainer *container);

    ModelContainer *container() const { return m_container; }

    void insert(const ClipboardItemPtr &item);
    void remove(const ClipboardItemPtr &item);
    bool hasChanges() const;
    // Writes the pending changes. On failure returns false with the reason in `error` (when
    // given) and keeps every change pending.
    bool save(QString *error = nullptr);
    // The records matching `descriptor`, pending changes included; nullopt with the reason in
    // `error` when the database cannot be read.
    std::optional<QList<ClipboardItemPtr>> fetch(const FetchDescriptor &descriptor,
                                                 QString *error = nullptr);

    // Saves what is pending, then deletes the unpinned entries past the newest `capacity`, in
    // one statement. False with the reason in `error` when either fails.
    bool trimToCapacity(qint64 capacity, QString *error = nullptr);

    std::optional<QByteArray> readImageData(const QUuid &id) const;
    std::optional<QString> readTextContent(const QUuid &id) const;

private:
    friend class ClipboardItem;
    void noteChanged(const ClipboardItemPtr &item);
    ClipboardItemPtr recordFromRow(const class QSqlQuery &query);
    bool writeInsert(const ClipboardItem &item, QString *error);
    bool writeUpdate(const ClipboardItem &item, QString *error);
    bool writeDelete(const QUuid &id, QString *error);
    bool writeImage(const ClipboardItem &item, QString *error);
    bool writeSearchText(const ClipboardItem &item, QString *error);
    void forgetExpiredRecords();

    ModelContainer *m_container;
    QList<ClipboardItemPtr> m_inserted;
    QList<ClipboardItemPtr> m_deleted;
    QHash<ClipboardItem *, ClipboardItemPtr> m_changed;
    QHash<QUuid, std::weak_ptr<ClipboardItem>> m_records;
};
