#pragma once

#include "models/ClipboardItem.h"

#include <QHash>
#include <QImage>
#include <QQueue>
#include <QObject>
#include <QThreadPool>
#include <QUuid>

// Small square thumbnails of image entries, decoded once per entry off the main thread and kept
// by id, so painting the popup's rows never decodes a full-size image. The bytes are read from
// the store on the main thread (the database connection lives there), one image at a time as
// the previous decoding finishes, so a history of large images never sits in memory at once.
class ThumbnailCache : public QObject
{
    Q_OBJECT
public:
    // The edge of a thumbnail in pixels: the 22-point frame at twice the density.
    static constexpr int Edge = 44;

    explicit ThumbnailCache(QObject *parent = nullptr);
    ~ThumbnailCache() override;

    enum class State { Missing, Pending, Ready, Failed };
    State state(const QUuid &id) const;
    // The thumbnail when ready; otherwise null, and its decoding is started if it never was.
    QImage thumbnail(const ClipboardItemPtr &item);
    // Starts decoding every image entry of `items` not yet known and forgets entries not among
    // them, so the cache holds the current history only.
    void prefetch(const QList<ClipboardItemPtr> &items);
    // Blocks until every decoding started has finished and its result is stored.
    void waitForPending();
    int decodeCount() const { return m_decodeCount; }

    // A thumbnail: the image scaled to fill an Edge x Edge square and cropped to it; null when
    // the bytes are not an image. Reads only as much as the format allows at that scale.
    static QImage decode(const QByteArray &bytes);

Q_SIGNALS:
    void thumbnailReady(const QUuid &id);

private:
    void start(const ClipboardItemPtr &item);
    void decodeNext();
    void store(const QUuid &id, const QImage &image);

    struct Entry
    {
        State state = State::Missing;
        QImage image;
    };
    QHash<QUuid, Entry> m_entries;
    struct Waiting
    {
        QUuid id;
        std::weak_ptr<ClipboardItem> item;
    };
    QQueue<Waiting> m_queue;
    bool m_decoding = false;
    QThreadPool m_pool;
    int m_decodeCount = 0;
};
