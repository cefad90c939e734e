#pragma once

#include "models/ClipboardItem.h"
#include "store/StoreChanges.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QPointer>

class ModelContext;

// The live history: every ClipboardItem, newest copy first, following each save of the
// context's container by rows (an insertion for a capture, a move for a refresh or a copy-back, a
// removal for a delete or a trim; a reset only when every row goes at once), so selections and
// scroll positions survive. Rows hold what they show, not long texts, and each row's text folded
// once for searches; a long text is searched in the store (HistorySearch).
//
// One per container (ModelContainer::historyModel()), shared by every view.
class HistoryQueryModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        ContentTypeRole,
        TitleRole,
        PreviewRole,
        TimeRole,
        CopiedAtRole,
        SourceAppNameRole,
        IsPinnedRole,
    };

    explicit HistoryQueryModel(ModelContext *context, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    ClipboardItemPtr itemAt(int row) const;
    QList<ClipboardItemPtr> items() const;
    // The row of the entry with that id, or -1.
    int rowOf(const QUuid &id) const;

    // The row's text and file paths folded for matching (SearchText), paths separated by a
    // character no search can hold; a long text is not part of it.
    const QString &searchKey(int row) const;
    // Whether the row's text is kept in the store only, so searches match it there.
    bool isTextInStore(int row) const;
    ModelContext *context() const;

public Q_SLOTS:
    // Reads the whole history again, as a reset (also what construction does).
    void reload();

private:
    struct Row
    {
        ClipboardItemPtr item;
        QDateTime copiedAt; // as stored: the order of the rows
        QString searchKey;
    };
    Row makeRow(const ClipboardItemPtr &item) const;
    void apply(const StoreChanges &changes);
    // Where a row copied at `copiedAt` goes among the rows other than `except`: before the
    // first one copied at the same time or earlier.
    int positionFor(const QDateTime &copiedAt, int except = -1) const;

    QPointer<ModelContext> m_context;
    QList<Row> m_rows;
};
