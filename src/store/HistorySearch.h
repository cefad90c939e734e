#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <memory>

// Matches a search against the long texts that the history keeps in the store only, off the
// interface thread: a worker with a connection of its own reads each text's folded copy and looks
// for the folded search in it, so a keystroke never waits for megabytes of text. A newer search
// abandons an older one; an entry that did not match a search is not read again for a search
// that contains it.
class HistorySearch : public QObject
{
    Q_OBJECT
public:
    explicit HistorySearch(const QString &databasePath, QObject *parent = nullptr);
    ~HistorySearch() override;

    // An entry to look in: its id, and the id its row is stored under (ClipboardItem::storedId).
    struct Entry
    {
        QUuid id;
        QString storedId;
    };

    // Starts looking for `foldedNeedle` (SearchText::fold) in the texts of `entries`; the answer
    // is finished() with the returned generation.
    quint64 start(const QString &foldedNeedle, const QList<Entry> &entries);
    // Abandons the running search; no answer comes for it.
    void cancel();

Q_SIGNALS:
    void finished(quint64 generation, const QSet<QUuid> &matches);

private:
    class Worker;
    QThread m_thread;
    Worker *m_worker;
    std::shared_ptr<std::atomic<quint64>> m_latest;
};
