#pragma once

#include <QByteArray>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QUuid>

#include "store/StoreChanges.h"

#include <memory>
#include <optional>

class HistoryQueryModel;
class ModelContext;

// The history store: one SQLite database holding the ClipboardItem records. Image bytes live in a
// table of their own, written in the same transaction as their record and read only on request.
class ModelContainer : public QObject
{
    Q_OBJECT
public:
    static inline const QString SchemaVersion = QStringLiteral("1.0.0");

    // Opens the history at `path`, creating it (folder 0700, file 0600) when it does not exist.
    // A folder or file without its owner's write permission is refused and left as it is.
    // A file that cannot be opened, is not a database or is not a Kavla history is left as it is,
    // and null is returned with the reason in `error`.
    static std::unique_ptr<ModelContainer> open(const QString &path, QString *error);
    // $XDG_DATA_HOME/kavla/history.sqlite
    static QString defaultPath();

    ~ModelContainer() override;

    QString path() const { return m_path; }
    ModelContext *mainContext() const { return m_mainContext; }
    // The live history list over the main context, one per container, shared by every view.
    HistoryQueryModel *historyModel();
    QSqlDatabase database() const;
    // Writes what the main context holds pending (a save that failed for a passing reason); false
    // with the reason in `error` when it still cannot be written.
    bool flush(QString *error = nullptr);
    // The largest text or image a record can hold: SQLite's length limit on this connection,
    // less what the rest of a row needs.
    qint64 largestValueBytes() const;

    std::optional<QByteArray> readImageData(const QString &storedId) const;
    std::optional<QString> readTextContent(const QString &storedId) const;
    std::optional<QByteArray> readTextContentUtf8(const QString &storedId) const;
    // The small thumbnail (PNG) kept beside an image entry, made once (see ThumbnailStore).
    std::optional<QByteArray> readThumbnail(const QString &storedId) const;
    // Keeps `png` as the thumbnail of the entry stored under `storedId`; nothing when that entry
    // is not stored (deleted meanwhile, or not saved yet). False when the write failed.
    bool storeThumbnail(const QString &storedId, const QByteArray &png);

Q_SIGNALS:
    // After every successful save of a context of this container, with what it wrote.
    void didSave(const StoreChanges &changes);

private:
    ModelContainer(const QString &path, const QString &connectionName);
    bool prepareSchema(QString *error);

    QString m_path;
    QString m_connectionName;
    ModelContext *m_mainContext = nullptr;
    HistoryQueryModel *m_historyModel = nullptr;
};
