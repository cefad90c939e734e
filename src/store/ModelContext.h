#pragma once

#include "models/ClipboardItem.h"
#include "models/RecordContext.h"
#include "store/FetchDescriptor.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlQuery>
#include <QThreadPool>
#include <QTimer>

#include <optional>

class ModelContainer;
class QSqlError;

// Pending changes to the history and the door to its records. Inserts, deletions and field
// changes take effect here at once and reach the database at save(), in one transaction. After a
// save that failed for a passing reason (database locked, disk full, I/O) they stay pending and
// are retried on a timer; a record whose own write can never succeed (too big, a constraint) is
// dropped, so that it does not fail every later save. A record of a given id is one object for as long as anyone
// holds it, so records compare by identity.
class ModelContext : public RecordContext
{
    Q_OBJECT
public:
    // A long text's folded copy (SearchText) is stored in chunks: each folds SearchChunkUnits
    // UTF-16 units of the text and the SearchChunkOverlap units after them, so a folded search of
    // up to SearchChunkedNeedleBytes UTF-8 bytes lies inside one chunk wherever it matches, and
    // the text is never folded whole in memory.
    static constexpr qsizetype SearchChunkUnits = 32 * 1024;
    static constexpr qsizetype SearchChunkOverlap = 2048;
    static constexpr qsizetype SearchChunkedNeedleBytes = 1024;
    static constexpr int RetryIntervalMs = 3000;
    // What a record's row holds besides its largest value, at most: the largest value a row
    // may hold is SQLite's length limit less this.
    static constexpr qint64 RowOverheadBytes = 1024;
    // New records waiting for a database that refuses writes; past this the oldest is dropped.
    static constexpr qsizetype MaxPendingInserts = 256;

    explicit ModelContext(ModelContainer *container);
    ~ModelContext() override;

    ModelContainer *container() const { return m_container; }

    void insert(const ClipboardItemPtr &item);
    void remove(const ClipboardItemPtr &item);
    bool hasChanges() const;
    // Writes the pending changes. On failure returns false with the reason in `error` (when
    // given); every change stays pending but the record that can never be written, if any.
    bool save(QString *error = nullptr);
    // The records matching `descriptor`, pending changes included; nullopt with the reason in
    // `error` when the database cannot be read.
    std::optional<QList<ClipboardItemPtr>> fetch(const FetchDescriptor &descriptor,
                                                 QString *error = nullptr);

    // Saves what is pending, then deletes the unpinned entries past the newest `capacity`, in
    // one statement. False with the reason in `error` when either fails.
    bool trimToCapacity(qint64 capacity, QString *error = nullptr);

    std::optional<QByteArray> readImageData(const QString &storedId) const override;
    std::optional<QString> readTextContent(const QString &storedId) const override;
    std::optional<QByteArray> readTextContentUtf8(const QString &storedId) const override;

private:
    friend class ClipboardItem;
    // A long text waiting for its folded copy: held as a string, or as UTF-8 when it came so.
    struct FoldSource
    {
        QString text;
        QByteArray utf8;
    };
    static bool matches(const FetchDescriptor &descriptor, const ClipboardItem &item);
    static bool isLongText(const ClipboardItem &item);
    static FoldSource foldSourceOf(const ClipboardItem &item);
    // The bytes SQLite is handed for the record's largest value.
    static qint64 largestValueBytes(const ClipboardItem &item);
    bool fitsInStore(const ClipboardItem &item, QString *error);
    void noteChanged(const ClipboardItemPtr &item) override;
    bool fail(const QSqlError &failure, QString *error);
    static bool isTemporaryFailure(int code);
    void dropPending(const ClipboardItemPtr &item);
    void scheduleRetry();
    void retryPendingSave();
    ClipboardItemPtr recordFromRow(const QSqlQuery &query);
    // The statement for `sql`, prepared once and kept for the life of the context.
    QSqlQuery &statement(const QString &sql);
    void releaseBindings(QSqlQuery &query);
    static constexpr qsizetype LargeStatementBytes = 256 * 1024;
    bool writeInsert(const ClipboardItem &item, QString *error);
    bool writeUpdate(const ClipboardItem &item, QString *error);
    bool writeLongText(const ClipboardItem &item, QString *error);
    bool writeDelete(const ClipboardItem &item, QString *error);
    bool writeImage(const ClipboardItem &item, QString *error);
    void writeFoldedCopies();
    static QByteArrayList foldedChunks(const QString &text);
    static QByteArrayList foldedChunks(const QByteArray &utf8);
    void storeFoldedCopy(const QString &storedId, quint64 fold, const QByteArrayList &chunks);
    bool writeSearchText(const QString &storedId, const QByteArrayList &chunks, QString *error);
    void forgetExpiredRecords();

    ModelContainer *m_container;
    QList<ClipboardItemPtr> m_inserted;
    QList<ClipboardItemPtr> m_deleted;
    QHash<ClipboardItem *, ClipboardItemPtr> m_changed;
    QHash<QUuid, std::weak_ptr<ClipboardItem>> m_records;
    QHash<QString, FoldSource> m_textsToFold; // by stored id
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
    QSqlQuery m_unprepared;
    int m_failureCode = 0; // SQLite's code of the last failed statement
    QTimer m_retryTimer;
    // The folds under way, by stored id: a text changed or deleted meanwhile drops its fold, so
    // a finished fold is stored only when it is still of the text stored.
    QHash<QString, quint64> m_foldsUnderWay;
    quint64 m_foldSerial = 0;
    QThreadPool m_foldPool; // folds long texts, one at a time
};
