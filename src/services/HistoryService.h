#pragma once

#include "models/ClipboardItem.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUuid>

class AlertSound;
class HistoryQueryModel;
class ModelContainer;
class Pasteboard;
class Preferences;

// The one owner of every change to the clipboard history: a capture recorded (or an equal entry
// refreshed), an entry copied back, pinned, deleted or forgotten, the whole history cleared, and
// the capacity, applied whenever the stored "maxHistoryCount" changes, whether or not a window is
// open. Views, the tray and the clipboard monitor call it; they show its shared list model.
//
// A failed save keeps its changes pending in the store, which retries them; only a failed
// capture is reported, with one line on standard output. Main thread only.
class HistoryService : public QObject
{
    Q_OBJECT
public:
    // `pasteboard` and `alertSound` may be null: a copy-back then writes nothing, or plays nothing.
    HistoryService(ModelContainer *container, Preferences *preferences, Pasteboard *pasteboard = nullptr,
                   AlertSound *alertSound = nullptr, QObject *parent = nullptr);
    ~HistoryService() override;

    ModelContainer *container() const { return m_container; }
    // The live list of every entry, newest copy first, shared by every view.
    HistoryQueryModel *model() const;
    // Every entry, newest copy first, changes not yet saved included.
    QList<ClipboardItemPtr> entries() const;
    // The entry of that id, or null.
    ClipboardItemPtr entry(const QUuid &id) const;
    // The largest text or image an entry can hold in this store.
    qint64 largestValueBytes() const;

    // --- Recording a capture ----------------------------------------------------------------
    // Each returns the entry saved, or the equal one refreshed (moved to the top, with the
    // capture's source when it has one); null when nothing was saved, the reason written as
    // "Erro ao salvar ... no histórico: ". Then the capacity is applied. `utf8` is valid UTF-8.
    ClipboardItemPtr recordText(const QByteArray &utf8, const QString &bundleId, const QString &appName);
    ClipboardItemPtr recordTable(const QByteArray &utf8, const QString &bundleId, const QString &appName);
    // `thumbnail` (PNG, may be empty) is kept beside the entry for the popup's row.
    ClipboardItemPtr recordImage(const QByteArray &data, const QSizeF &size, const QByteArray &thumbnail,
                                 const QString &bundleId, const QString &appName);
    ClipboardItemPtr recordFiles(const QStringList &paths, const QString &bundleId, const QString &appName);

    // --- What the user does ------------------------------------------------------------------
    // Puts the entry back on the clipboard and moves it to the top; the sound feedback plays
    // when switched on. copiedBack() says so before the entry moves.
    void copyBack(const ClipboardItemPtr &item);
    // A pinned entry is spared by the capacity; its row stays where it is.
    void setPinned(const ClipboardItemPtr &item, bool pinned);
    // Deletes the entry, pinned or not.
    void remove(const ClipboardItemPtr &item);
    // Deletes every entry, pinned ones too.
    void clear();
    // Deletes an entry recognised as a secret, unless the user pinned it; true when deleted.
    bool forget(const ClipboardItemPtr &item);
    // Deletes the oldest unpinned entries beyond the stored capacity.
    void enforceHistoryLimit();
    // A thumbnail made later for an image entry (the popup's rows) is kept beside it.
    void keepThumbnail(const QString &storedId, const QByteArray &png);
    // Writes what a failed save left waiting; false with the reason when it still fails.
    bool flush(QString *error = nullptr);

Q_SIGNALS:
    // The entry was written to the clipboard by Kavla itself; `plainText` is the text written
    // (null when none), so that the write is never taken for a copy made elsewhere.
    void copiedBack(const ClipboardItemPtr &item, const QByteArray &plainText);
    // Entries left the history (deleted, cleared, trimmed or forgotten).
    void removed(const QList<QUuid> &ids);

private:
    ClipboardItemPtr refresh(const ClipboardItemPtr &item, const QString &bundleId, const QString &appName,
                             const QString &failureText);
    ClipboardItemPtr insertAndSave(const ClipboardItemPtr &item, const QString &failureText);
    // Saves what is pending; a failure is kept pending for the store's retry and not reported.
    void saveQuietly();

    ModelContainer *m_container;
    Preferences *m_preferences;
    Pasteboard *m_pasteboard;
    AlertSound *m_alertSound;
    bool m_enforcingLimit = false;
};
