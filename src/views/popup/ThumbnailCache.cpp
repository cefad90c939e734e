#include "views/popup/ThumbnailCache.h"

#include "services/HistoryService.h"
#include "store/ModelContainer.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

ThumbnailCache::ThumbnailCache(QObject *parent)
    : QObject(parent)
{
}

ThumbnailCache::~ThumbnailCache() = default;

void ThumbnailCache::setHistory(HistoryService *history)
{
    if (history == m_history && m_store)
        return;
    m_history = history;
    m_entries.clear();
    m_store.reset();
    if (!history)
        return;
    m_store = std::make_unique<ThumbnailStore>(history->container()->path());
    connect(m_store.get(), &ThumbnailStore::ready, this, &ThumbnailCache::onReady);
}

ThumbnailCache::State ThumbnailCache::state(const QUuid &id) const
{
    return m_entries.value(id).state;
}

void ThumbnailCache::prefetch(const QList<ClipboardItemPtr> &items)
{
    QSet<QUuid> current;
    for (const ClipboardItemPtr &item : items) {
        if (!item || !item->isImage())
            continue;
        current.insert(item->id());
        if (!m_entries.contains(item->id()))
            start(item);
    }
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (!current.contains(it.key()) && it->state != State::Pending)
            it = m_entries.erase(it);
        else
            ++it;
    }
}

void ThumbnailCache::waitForPending()
{
    const auto pending = [this] {
        return std::any_of(m_entries.cbegin(), m_entries.cend(), [](const Entry &entry) { return entry.state == State::Pending; });
    };
    while (m_store && pending()) {
        m_store->waitForPending();
        QCoreApplication::sendPostedEvents(m_store.get());
    }
}

void ThumbnailCache::start(const ClipboardItemPtr &item)
{
    if (!item->hasImageData() || !m_store) {
        m_entries.insert(item->id(), Entry{State::Failed, {}});
        return;
    }
    m_entries.insert(item->id(), Entry{State::Pending, {}});
    m_store->request(item->id(), item->storedId());
}

void ThumbnailCache::onReady(const QUuid &id, const QString &storedId, const QImage &thumbnail, const QByteArray &made,
                             bool decoded)
{
    if (decoded)
        ++m_decodeCount;
    // Kept for next time even when the entry has left the popup's list meanwhile.
    if (!made.isEmpty() && m_history)
        m_history->keepThumbnail(storedId, made);
    auto found = m_entries.find(id);
    if (found == m_entries.end())
        return;
    found->state = thumbnail.isNull() ? State::Failed : State::Ready;
    found->image = thumbnail;
    Q_EMIT thumbnailReady(id);
}
