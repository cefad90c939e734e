#include "store/HistorySearch.h"

#include "store/ModelContext.h"
#include "store/ReadOnlyConnection.h"
#include "store/SearchText.h"

#include <QHash>
#include <QPointer>
#include <QSqlQuery>

#include <algorithm>
#include <cstring>
#include <optional>

class HistorySearch::Worker : public QObject
{
public:
    Worker(const QString &databasePath, std::shared_ptr<std::atomic<quint64>> latest)
        : m_latest(std::move(latest))
        , m_connection(databasePath, QStringLiteral("kavla-search-%1").arg(quintptr(this)))
    {
    }

    // Runs on the worker thread; an empty result when abandoned.
    std::optional<QSet<QUuid>> run(quint64 generation, const QByteArray &needle, const QList<Entry> &entries)
    {
        m_generation = generation;
        QSet<QUuid> matches;
        if (!m_connection.open())
            return matches;
        QHash<QUuid, Memory> memories;
        for (const Entry &entry : entries) {
            const QUuid &id = entry.id;
            if (m_latest->load() != generation)
                return std::nullopt;
            Memory memory = m_memories.value(id);
            const bool missed = std::any_of(memory.misses.cbegin(), memory.misses.cend(),
                                            [&](const QByteArray &miss) { return needle.contains(miss); });
            // A text holding `needle` first does so where it first holds any part of it.
            const qint64 from = !memory.hit.isEmpty() && needle.contains(memory.hit) ? memory.hitChunk : 0;
            qint64 found = 0;
            if (!missed && contains(entry.storedId, needle, from, &found)) {
                matches.insert(id);
                memory.hit = needle;
                memory.hitChunk = found;
            } else if (m_latest->load() != generation) {
                return std::nullopt;
            } else if (!missed) {
                memory.misses.prepend(needle);
                if (memory.misses.size() > 8)
                    memory.misses.removeLast();
            }
            memories.insert(id, memory);
        }
        m_memories = std::move(memories); // entries no longer searched are forgotten
        return matches;
    }

    void close() { m_connection.close(); }

private:
    // Whether the entry's folded text holds `needle`, reading its chunks in order from `from`
    // and stopping at the first that holds it; the chunk where it was found in `found`.
    bool contains(const QString &key, const QByteArray &needle, qint64 from, qint64 *found)
    {
        QSqlQuery query(m_connection.database());
        query.setForwardOnly(true);
        // A longer needle may span chunks: it is looked for in the whole text, folded afresh.
        if (needle.size() > ModelContext::SearchChunkedNeedleBytes)
            return containsInWholeText(key, needle);
        query.prepare(QStringLiteral("SELECT chunk, foldedText FROM ClipboardItemSearchText"
                                     " WHERE itemId = ? AND chunk >= ? ORDER BY chunk"));
        query.addBindValue(key);
        query.addBindValue(from);
        if (!query.exec())
            return false;
        bool stored = false;
        while (query.next()) {
            stored = true;
            if (holds(query.value(1).toByteArray(), needle)) {
                *found = query.value(0).toLongLong();
                return true;
            }
            if (m_latest->load() != m_generation)
                return false;
        }
        // No chunks: a text stored before folded copies were kept, or under another locale.
        return !stored && from == 0 && containsInWholeText(key, needle);
    }

    bool containsInWholeText(const QString &key, const QByteArray &needle)
    {
        QSqlQuery query(m_connection.database());
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT textContent FROM ClipboardItem WHERE id = ?"));
        query.addBindValue(key);
        if (!query.exec() || !query.next())
            return false;
        return holds(SearchText::fold(query.value(0).toString(), SearchText::locale()).toUtf8(), needle);
    }

    static bool holds(const QByteArray &haystack, const QByteArray &needle)
    {
        // UTF-8 is self-synchronising: a byte match is a match of whole characters.
        return memmem(haystack.constData(), size_t(haystack.size()), needle.constData(), size_t(needle.size()))
               != nullptr;
    }

    std::shared_ptr<std::atomic<quint64>> m_latest;
    ReadOnlyConnection m_connection;
    // What earlier searches learnt of an entry: searches it did not hold (nor any search that
    // contains one), and the last it held with the chunk where it was found.
    struct Memory
    {
        QByteArrayList misses;
        QByteArray hit;
        qint64 hitChunk = 0;
    };
    QHash<QUuid, Memory> m_memories;
    quint64 m_generation = 0;
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

quint64 HistorySearch::start(const QString &foldedNeedle, const QList<Entry> &entries)
{
    const quint64 generation = m_latest->fetch_add(1) + 1;
    Worker *worker = m_worker;
    QPointer<HistorySearch> self(this);
    const QByteArray needle = foldedNeedle.toUtf8();
    QMetaObject::invokeMethod(m_worker, [worker, self, generation, needle, entries] {
        std::optional<QSet<QUuid>> matches = worker->run(generation, needle, entries);
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
