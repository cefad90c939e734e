#include "store/ThumbnailStore.h"

#include "store/ReadOnlyConnection.h"
#include "support/ImageBytes.h"

#include <QPointer>
#include <QSqlQuery>

class ThumbnailStore::Worker : public QObject
{
public:
    explicit Worker(const QString &databasePath)
        : m_connection(databasePath, QStringLiteral("kavla-thumbnails-%1").arg(quintptr(this)))
    {
    }

    struct Answer
    {
        QImage thumbnail;
        QByteArray made;
        bool decoded = false;
    };

    // Runs on the worker thread.
    Answer run(const QString &storedId)
    {
        Answer answer;
        if (!m_connection.open())
            return answer;
        QSqlQuery query(m_connection.database());
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT bytes FROM ClipboardItemThumbnail WHERE itemId = ?"));
        query.addBindValue(storedId);
        if (query.exec() && query.next()) {
            answer.thumbnail = QImage::fromData(query.value(0).toByteArray()).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            if (!answer.thumbnail.isNull())
                return answer;
        }
        query.finish();
        query.prepare(QStringLiteral("SELECT bytes FROM ClipboardItemImageData WHERE itemId = ?"));
        query.addBindValue(storedId);
        if (!query.exec() || !query.next())
            return answer;
        const QByteArray bytes = query.value(0).toByteArray();
        query.finish();
        answer.decoded = true;
        answer.thumbnail = ImageBytes::thumbnail(bytes, Edge, 0);
        answer.made = ImageBytes::png(answer.thumbnail).value_or(QByteArray());
        return answer;
    }

    void close() { m_connection.close(); }

private:
    ReadOnlyConnection m_connection;
};

ThumbnailStore::ThumbnailStore(const QString &databasePath, QObject *parent)
    : QObject(parent)
    , m_worker(new Worker(databasePath))
{
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("kavla-thumbnails"));
    m_thread.start(QThread::LowPriority);
}

ThumbnailStore::~ThumbnailStore()
{
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

void ThumbnailStore::request(const QUuid &id, const QString &storedId)
{
    Worker *worker = m_worker;
    QPointer<ThumbnailStore> self(this);
    QMetaObject::invokeMethod(m_worker, [worker, self, id, storedId] {
        const Worker::Answer answer = worker->run(storedId);
        QMetaObject::invokeMethod(
            self.data(),
            [self, id, storedId, answer] {
                if (self)
                    Q_EMIT self->ready(id, storedId, answer.thumbnail, answer.made, answer.decoded);
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailStore::waitForPending()
{
    QMetaObject::invokeMethod(m_worker, [] {}, Qt::BlockingQueuedConnection);
}
