#include "store/HistorySearch.h"

#include "store/SearchText.h"

#include <QHash>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <cstring>
#include <optional>

class HistorySearch::Worker : public QObject
{
public:
    Worker(const QString &databasePath, std::shared_ptr<std::atomic<quint64>> latest)
        : m_databasePath(databasePath)
        , m_latest(std::move(latest))
        , m_connection(QStringLiteral("kavla-search-%1").arg(quintptr(this)))
    {
    }

    // Runs on the worker thread; an empty result when abandoned.
    std::optional<QSet<QUuid>> run(quint64 generation, const QByteArray &needle, const QList<QUuid> &ids)
    {
        QSet<QUuid> matches;
        if (!open())
            return matches;
        QHash<QUuid, QByteArrayList> misses;
        for (const QUuid &id : ids) {
            if (m_latest->load() != generation)
                return std::nullopt;
            QByteArrayList known = m_misses.value(id);
            const bool missed = std::any_of(known.cbegin(), known.cend(),
                                            [&](const QByteArray &miss) { return needle.contains(miss); });
            if (!missed && contains(id, needle)) {
                matches.insert(id);
            } else if (!missed) {
                known.prepend(needle);
                if (known.size() > 8)
                    known.removeLast();
            }
            misses.insert(id, known);
        }
        m_misses = std::move(misses); // entries no longer searched are forgotten
        return matches;
    }

    void close()
    {
        if (QSqlDatabase::contains(m_connection)) {
            QSqlDatabase::database(m_connection, false).close();
            QSqlDatabase::removeDatabase(m_connection);
        }
    }

private:
    bool open()
    {
        if (QSqlDatabase::contains(m_connection))
            return QSqlDatabase::database(m_connection, false).isOpen();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_databasePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        return db.open();
    }

    bool contains(const QUuid &id, const QByteArray &needle)
    {
        const QString key = id.toString(QUuid::WithoutBraces);
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT foldedText FROM ClipboardItemSearchText WHERE itemId = ?"));
        query.addBindValue(key);
        QByteArray folded;
        if (query.exec() && query.next()) {
            folded = query.value(0).toByteArray();
        } else {
            // A text stored before folded copies were kept, or under another locale.
            query.prepare(QStringLiteral("SELECT textContent FROM ClipboardItem WHERE id = ?"));
            query.addBindValue(key);
            if (!query.exec() || !query.next())
                return false;
            folded = SearchText::fold(query.value(0).toString(), SearchText::locale()).toUtf8();
        }
        // UTF-8 is self-synchronising: a byte match is a match of whole characters.
        return memmem(folded.constData(), size_t(folded.size()), needle.constData(), size_t(needle.size())) != nullptr;
    }

    QString m_databasePath;
    std::shared_ptr<std::atomic<quint64>> m_latest;
    QString m_connection;
    QHash<QUuid, QByteArrayList> m_misses;
};

HistorySearch::HistorySearch(const QString &databasePath, QObject *parent)
    : QObject(parent)
    , m_latest(std::make_shared<std::atomic<quint64>>(0))
{
    m_worker = new Worker(databasePath, m_latest);
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("kavla-search"));
    m_thread.start(QThread::LowPriority);
}

HistorySearch::~HistorySearch()
{
    cancel();
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

quint64 HistorySearch::start(const QString &foldedNeedle, const QList<QUuid> &ids)
{
    const quint64 generation = m_latest->fetch_add(1) + 1;
    Worker *worker = m_worker;
    QPointer<HistorySearch> self(this);
    const QByteArray needle = foldedNeedle.toUtf8();
    QMetaObject::invokeMethod(m_worker, [worker, self, generation, needle, ids] {
        std::optional<QSet<QUuid>> matches = worker->run(generation, needle, ids);
        if (!matches)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, found = std::move(*matches)] {
                if (self && self->m_latest->load() == generation)
                    Q_EMIT self->finished(generation, found);
            },
            Qt::QueuedConnection);
    });
    return generation;
}

void HistorySearch::cancel()
{
    m_latest->fetch_add(1);
}
