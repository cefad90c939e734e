#include "views/ThumbnailCache.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QSet>

ThumbnailCache::ThumbnailCache(QObject *parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

ThumbnailCache::~ThumbnailCache()
{
    // Results posted after this point go to a destroyed object and are dropped by Qt.
    m_pool.clear();
    m_pool.waitForDone();
}

ThumbnailCache::State ThumbnailCache::state(const QUuid &id) const
{
    return m_entries.value(id).state;
}

QImage ThumbnailCache::thumbnail(const ClipboardItemPtr &item)
{
    if (!item || !item->isImage())
        return {};
    const auto found = m_entries.constFind(item->id());
    if (found == m_entries.constEnd()) {
        start(item);
        return {};
    }
    return found->image;
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
    while (m_decoding || !m_queue.isEmpty()) {
        m_pool.waitForDone();
        QCoreApplication::sendPostedEvents(this);
        if (!m_decoding)
            decodeNext();
    }
}

void ThumbnailCache::start(const ClipboardItemPtr &item)
{
    if (!item->hasImageData()) {
        m_entries.insert(item->id(), Entry{State::Failed, {}});
        return;
    }
    m_entries.insert(item->id(), Entry{State::Pending, {}});
    m_queue.enqueue(Waiting{item->id(), item});
    decodeNext();
}

void ThumbnailCache::decodeNext()
{
    while (!m_decoding && !m_queue.isEmpty()) {
        const Waiting next = m_queue.dequeue();
        const QUuid id = next.id;
        const ClipboardItemPtr item = next.item.lock();
        if (!item) {
            m_entries.remove(id); // deleted from the history meanwhile
            continue;
        }
        const std::optional<QByteArray> bytes = item->imageData();
        if (!bytes || bytes->isEmpty()) {
            store(id, {});
            continue;
        }
        m_decoding = true;
        ++m_decodeCount;
        const QByteArray data = *bytes;
        m_pool.start([this, id, data] {
            const QImage image = decode(data);
            QMetaObject::invokeMethod(
                this,
                [this, id, image] {
                    m_decoding = false;
                    store(id, image);
                    decodeNext();
                },
                Qt::QueuedConnection);
        });
    }
}

void ThumbnailCache::store(const QUuid &id, const QImage &image)
{
    auto found = m_entries.find(id);
    if (found == m_entries.end())
        return;
    found->state = image.isNull() ? State::Failed : State::Ready;
    found->image = image;
    Q_EMIT thumbnailReady(id);
}

QImage ThumbnailCache::decode(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > Edge || size.height() > Edge)) {
        // Formats that can (JPEG) decode directly at the reduced size.
        reader.setScaledSize(size.scaled(Edge, Edge, Qt::KeepAspectRatioByExpanding));
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() != Edge || image.height() != Edge) {
        image = image.scaled(Edge, Edge, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        image = image.copy((image.width() - Edge) / 2, (image.height() - Edge) / 2, Edge, Edge);
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
