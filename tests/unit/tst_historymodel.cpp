// The live history list shared by the views: it follows every change of the store by rows (a
// capture, a refresh, a copy-back, a delete, a trim; a reset only for clearing everything), keeps
// a selection across a move, stays equal to the store when a save fails, and keeps long texts in
// the store, where searches find them.
#include "fakes/MonitorHarness.h"
#include "fakes/TestData.h"
#include "store/HistoryQueryModel.h"
#include "views/popup/HistoryFilterModel.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

QList<QUuid> ids(const QList<ClipboardItemPtr> &items)
{
    QList<QUuid> result;
    for (const ClipboardItemPtr &item : items)
        result << item->id();
    return result;
}

// A second connection's view of what the file holds, apart from any pending change.
QList<QUuid> storedIds(const QString &path)
{
    QString error;
    auto other = ModelContainer::open(path, &error);
    return other ? ids(other->mainContext()->fetch(FetchDescriptor::historyNewestFirst()).value_or(QList<ClipboardItemPtr>()))
                 : QList<QUuid>();
}

// How many entries have a folded copy in the store.
int foldedCopies(const MonitorHarness &h)
{
    QSqlQuery query(h.container->database());
    return query.exec(QStringLiteral("SELECT count(DISTINCT itemId) FROM ClipboardItemSearchText")) && query.next()
               ? query.value(0).toInt()
               : -1;
}

using TestData::WriteLock;

} // namespace

class HistoryModelTest : public QObject
{
    Q_OBJECT

    // Six entries, "one" oldest and "six" newest.
    void fill(MonitorHarness &h)
    {
        for (const char *text : {"one", "two", "three", "four", "five", "six"})
            h.copyText(QString::fromLatin1(text));
    }

private Q_SLOTS:
    void followsTheStoreByRows_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("moved");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("resets");
        QTest::addColumn<QStringList>("top"); // the first rows afterwards

        QTest::newRow("capture") << u"capture"_qs << 1 << 0 << 0 << 0 << QStringList{u"seven"_qs, u"six"_qs};
        QTest::newRow("refresh of a repeated text") << u"refresh"_qs << 0 << 1 << 0 << 0
                                                    << QStringList{u"three"_qs, u"six"_qs};
        QTest::newRow("copy-back of the fifth row") << u"copy-back"_qs << 0 << 1 << 0 << 0
                                                    << QStringList{u"two"_qs, u"six"_qs};
        QTest::newRow("delete") << u"delete"_qs << 0 << 0 << 1 << 0 << QStringList{u"six"_qs, u"four"_qs};
        QTest::newRow("trim to a capacity of 4") << u"trim"_qs << 0 << 0 << 2 << 0 << QStringList{u"six"_qs, u"five"_qs};
        QTest::newRow("capture past the capacity") << u"capture at capacity"_qs << 1 << 0 << 1 << 0
                                                   << QStringList{u"seven"_qs, u"six"_qs};
        QTest::newRow("clear") << u"clear"_qs << 0 << 0 << 0 << 1 << QStringList();
    }

    void followsTheStoreByRows()
    {
        QFETCH(QString, change);
        QFETCH(int, inserted);
        QFETCH(int, moved);
        QFETCH(int, removed);
        QFETCH(int, resets);
        QFETCH(QStringList, top);

        MonitorHarness h;
        fill(h);
        HistoryQueryModel *model = h.container->historyModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy insertions(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy moves(model, &QAbstractItemModel::rowsMoved);
        QSignalSpy removals(model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy resetsSpy(model, &QAbstractItemModel::modelReset);
        QSignalSpy changes(model, &QAbstractItemModel::dataChanged);

        if (change == u"capture") {
            h.copyText(u"seven"_qs);
        } else if (change == u"refresh") {
            h.copyText(u"three"_qs);
        } else if (change == u"copy-back") {
            h.history->copyBack(model->itemAt(4));
        } else if (change == u"delete") {
            h.history->remove(model->itemAt(1));
        } else if (change == u"trim") {
            h.preferences.setMaxHistoryCount(4);
        } else if (change == u"capture at capacity") {
            h.preferences.setMaxHistoryCount(6);
            h.copyText(u"seven"_qs);
        } else if (change == u"clear") {
            h.history->clear();
        }

        QCOMPARE(insertions.count(), inserted);
        QCOMPARE(moves.count(), moved);
        QCOMPARE(removals.count(), removed);
        QCOMPARE(resetsSpy.count(), resets);
        if (moved)
            QCOMPARE(changes.count(), 1); // the moved row's new time
        QCOMPARE(TestData::texts(model->items()).mid(0, 2), top);
        QCOMPARE(ids(model->items()), ids(h.entries()));
    }

    void copyBackKeepsTheSelection()
    {
        MonitorHarness h;
        fill(h);
        HistoryQueryModel *model = h.container->historyModel();
        QItemSelectionModel selection(model);
        const ClipboardItemPtr chosen = model->itemAt(4);
        selection.setCurrentIndex(model->index(4), QItemSelectionModel::ClearAndSelect);
        h.history->copyBack(chosen);
        QCOMPARE(selection.currentIndex().row(), 0);
        QCOMPARE(selection.selectedIndexes(), QModelIndexList{model->index(0)});
        QCOMPARE(model->itemAt(0), chosen);
        QCOMPARE(h.pasteboard.written()->text(), u"two"_qs);
    }

    void failedSaveLeavesTheModelEqualToTheStore()
    {
        MonitorHarness h;
        fill(h);
        HistoryQueryModel *model = h.container->historyModel();
        const QString path = h.container->path();
        const QList<QUuid> before = ids(model->items());
        const QDateTime copiedAt = model->data(model->index(4), HistoryQueryModel::CopiedAtRole).toDateTime();
        {
            WriteLock lock(path);
            h.copyText(u"seven"_qs);                                     // a capture whose save fails
            QThread::msleep(2); // a failed save returns at once: the copy-back gets a later millisecond
            h.history->copyBack(model->itemAt(4)); // a copy-back whose save fails
        }
        QCOMPARE(ids(model->items()), before);
        QCOMPARE(ids(model->items()), storedIds(path));
        QCOMPARE(model->data(model->index(4), HistoryQueryModel::CopiedAtRole).toDateTime(), copiedAt);

        // The pending changes reach the store and the list together with the next save.
        h.copyText(u"eight"_qs);
        QCOMPARE(ids(model->items()), storedIds(path));
        QCOMPARE(model->rowCount(), 8);
    }

    void longTextsLiveInTheStore()
    {
        MonitorHarness h;
        const QString tail = u"Último parágrafo"_qs;
        const QString longText = u"  Começo do texto\n"_qs + u"linha de texto comum\n"_qs.repeated(10'000) + tail;
        h.copyText(longText);
        h.copyText(u"short"_qs);
        HistoryQueryModel *model = h.container->historyModel();
        const ClipboardItemPtr item = model->itemAt(1);
        QVERIFY(!item->isTextHeld());
        QVERIFY(model->isTextInStore(1));
        QCOMPARE(item->textContent(), std::optional<QString>(longText));
        QVERIFY(item->displayTitle().startsWith(u"Começo do texto linha de texto comum"_qs));
        QVERIFY(item->displayTitle().endsWith(QChar(0x2026)));
        QTRY_COMPARE(foldedCopies(h), 1); // stored right after the capture

        // A copy-back puts the whole text back, read from the store.
        h.history->copyBack(item);
        QCOMPARE(h.pasteboard.written()->text(), longText);

        // Searches match it in the store, in any letter case, and the list follows the answer.
        HistoryFilterModel filter(model);
        QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy completed(&filter, &HistoryFilterModel::searchCompleted);
        for (const QString &search : {u"ÚLTIMO PARÁ"_qs, u"zebra"_qs, u"último"_qs, u"sho"_qs}) {
            completed.clear();
            filter.setSearchText(search);
            QVERIFY(completed.count() == 1 || completed.wait(5000));
            QStringList listed;
            for (const ClipboardItemPtr &entry : filter.items())
                listed << entry->displayTitle().left(6);
            const QStringList expected = search == u"sho"_qs  ? QStringList{u"short"_qs}
                                         : search == u"zebra"_qs ? QStringList()
                                                                 : QStringList{u"Começo"_qs};
            QCOMPARE(listed, expected);
        }

        // Trimming takes its folded copy with it.
        h.copyText(u"newest"_qs);
        h.preferences.setMaxHistoryCount(1);
        QCOMPARE(foldedCopies(h), 0);
        QCOMPARE(model->rowCount(), 1);
    }

    // Long texts are searched chunk by chunk; a match across a chunk's end must still be found.
    void searchFindsMatchesAcrossChunks_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("found");
        QTest::newRow("short, across the first boundary") << u"xzebuy"_qs << true;
        QTest::newRow("longer than the overlap, across it")
            << (QString(20, u'a') + u"xzebuy"_qs + QString(ModelContext::SearchChunkedNeedleBytes, u'b')) << true;
        QTest::newRow("at the very end") << u"bbbfim"_qs << true;
        QTest::newRow("absent") << u"zebux"_qs << false;
    }

    void searchFindsMatchesAcrossChunks()
    {
        QFETCH(QString, search);
        QFETCH(bool, found);
        MonitorHarness h;
        const qsizetype boundary = ModelContext::SearchChunkUnits;
        h.copyText(QString(boundary - 3, u'a') + u"xzebuy"_qs + QString(3 * boundary, u'b') + u"fim"_qs);
        QTRY_COMPARE(foldedCopies(h), 1);
        HistoryFilterModel filter(h.container->historyModel());
        QSignalSpy completed(&filter, &HistoryFilterModel::searchCompleted);
        // Typed key by key, as a person does: each search resumes where the one before matched.
        for (qsizetype length = 1; length <= search.size(); length += qMax<qsizetype>(1, search.size() / 8)) {
            completed.clear();
            filter.setSearchText(search.left(length));
            QVERIFY(completed.count() == 1 || completed.wait(5000));
        }
        if (filter.searchText() != search) {
            completed.clear();
            filter.setSearchText(search);
            QVERIFY(completed.count() == 1 || completed.wait(5000));
        }
        QCOMPARE(filter.rowCount(), found ? 1 : 0);
    }
};

QTEST_MAIN(HistoryModelTest)
#include "tst_historymodel.moc"
