#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThread>
#include <QUuid>

// The thumbnails of image entries, made at most once and kept small in the history beside their
// entry (ClipboardItemThumbnail), so a history of large images is never decoded again to be shown.
// A worker with a connection of its own reads a kept thumbnail, or, for an entry that has none
// yet, reads the image's bytes and makes it; one at a time, so two large images are never in
// memory at once, and never on the interface thread, which receives only the small images and
// writes a new thumbnail through the history's own connection (the only one that writes).
class ThumbnailStore : public QObject
{
    Q_OBJECT
public:
    // The edge of a thumbnail in pixels: the 22-point frame at twice the density.
    static constexpr int Edge = 44;

    explicit ThumbnailStore(const QString &databasePath, QObject *parent = nullptr);
    ~ThumbnailStore() override;

    // Asks for the thumbnail of the entry stored under `storedId`; answered by ready().
    void request(const QUuid &id, const QString &storedId);
    // Blocks until every request made so far has been answered.
    void waitForPending();

Q_SIGNALS:
    // `thumbnail` is null when the entry has no image in the store that decodes. `made` holds the
    // PNG of a thumbnail made now from the whole image, to be kept; it is empty when the
    // thumbnail was read as kept. `decoded` says the whole image was read and decoded.
    void ready(const QUuid &id, const QString &storedId, const QImage &thumbnail, const QByteArray &made,
               bool decoded);

private:
    class Worker;
    QThread m_thread;
    Worker *m_worker;
};
