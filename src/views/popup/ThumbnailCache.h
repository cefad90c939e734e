#pragma once

#include "models/ClipboardItem.h"
#include "store/ThumbnailStore.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <memory>

class HistoryService;

// The small square thumbnails the popup's rows show for image entries, kept in memory by id. Each
// comes from the history's ThumbnailStore, off the interface thread: read as kept there, or made
// once from the image and then kept there too, so painting a row never decodes a full-size image
// and a history of large images is decoded at most once in its life.
class ThumbnailCache : public QObject
{
    Q_OBJECT
public:
    static constexpr int Edge = ThumbnailStore::Edge;

    explicit ThumbnailCache(QObject *parent = nullptr);
    ~ThumbnailCache() override;

    // The history the thumbnails are read from and kept in; none until this is called.
    void setHistory(HistoryService *history);

    enum class State { Missing, Pending, Ready, Failed };
    State state(const QUuid &id) const;
    // The thumbnail of the entry with that id when ready; otherwise null (prefetch() asks for it).
    QImage thumbnail(const QUuid &id) const { return m_entries.value(id).image; }
    // Asks for every image entry of `items` not yet known and forgets entries not among them,
    // so the cache holds the current history only.
    void prefetch(const QList<ClipboardItemPtr> &items);
    // Blocks until every thumbnail asked for has come.
    void waitForPending();
    // How many thumbnails were made from a whole image (rather than read as kept).
    int decodeCount() const { return m_decodeCount; }

Q_SIGNALS:
    void thumbnailReady(const QUuid &id);

private:
    void start(const ClipboardItemPtr &item);
    void onReady(const QUuid &id, const QString &storedId, const QImage &thumbnail, const QByteArray &made, bool decoded);

    struct Entry
    {
        State state = State::Missing;
        QImage image;
    };
    QHash<QUuid, Entry> m_entries;
    QPointer<HistoryService> m_history;
    std::unique_ptr<ThumbnailStore> m_store;
    int m_decodeCount = 0;
};
