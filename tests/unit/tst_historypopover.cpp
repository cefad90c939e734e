// The popup's history list: which entries are listed for a search, the quick-select badges, the
// live list model over the store, thumbnails decoded once and small, and the view's own actions
// (select a row, clear all, empty state, the trash button).
#include "fakes/MemoryDefaultsStore.h"
#include "services/Preferences.h"
#include "store/HistoryQueryModel.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/ClearConfirmation.h"
#include "views/HistoryFilter.h"
#include "views/HistoryFilterModel.h"
#include "views/HistoryItemDelegate.h"
#include "views/HistoryPopoverView.h"
#include "views/SearchBar.h"
#include "views/SymbolButton.h"
#include "views/ThumbnailCache.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime T0 = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);

ClipboardItemPtr makeItem(const QString &type, const std::optional<QString> &text,
                          const std::optional<QStringList> &paths, int secondsAfterT0,
                          const std::optional<QByteArray> &image = std::nullopt)
{
    const QDateTime when = T0.addSecs(secondsAfterT0);
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, type, text, image, paths, QString(),
                                           QString(), 0, 0, image ? 640 : 0, image ? 480 : 0, false);
}

ClipboardItemPtr text(const QString &value, int at = 0)
{
    return makeItem(ClipboardItem::TextType, value, std::nullopt, at);
}

ClipboardItemPtr files(const QStringList &paths, int at = 0)
{
    return makeItem(ClipboardItem::FileType, std::nullopt, paths, at);
}

QByteArray png(int width, int height, QColor color = Qt::red)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ClipboardItemPtr image(const QByteArray &bytes, int at = 0)
{
    return makeItem(ClipboardItem::ImageType, std::nullopt, std::nullopt, at, bytes);
}

QStringList texts(const QList<ClipboardItemPtr> &items)
{
    QStringList result;
    for (const ClipboardItemPtr &item : items) {
        if (item->textContent())
            result << *item->textContent();
        else if (item->filePaths())
            result << item->filePaths()->join(u',');
        else
            result << QStringLiteral("<image>");
    }
    return result;
}

} // namespace

class HistoryPopoverTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModelContainer> openStore()
    {
        QString error;
        auto container = ModelContainer::open(m_dir->filePath(QStringLiteral("history-%1.sqlite").arg(++m_stores)), &error);
        if (!container)
            qWarning() << error;
        return container;
    }

    static void add(ModelContext *context, const QList<ClipboardItemPtr> &items)
    {
        for (const ClipboardItemPtr &item : items)
            context->insert(item);
        QVERIFY(context->save());
    }

private Q_SLOTS:
    void initTestCase() { m_dir = std::make_unique<QTemporaryDir>(); }

    void filteredItems_data()
    {
        QTest::addColumn<QList<ClipboardItemPtr>>("history");
        QTest::addColumn<QString>("search");
        QTest::addColumn<qint64>("maxCount");
        QTest::addColumn<QStringList>("expected");

        const QList<ClipboardItemPtr> five = {text(QStringLiteral("one")), text(QStringLiteral("two")),
                                              text(QStringLiteral("three")), text(QStringLiteral("four")),
                                              text(QStringLiteral("five"))};
        QTest::newRow("no search: capped") << five << QString() << qint64(3)
                                           << QStringList{u"one"_qs, u"two"_qs, u"three"_qs};
        QTest::newRow("no search: fewer than the cap") << five << QString() << qint64(30)
                                                       << QStringList{u"one"_qs, u"two"_qs, u"three"_qs,
                                                                      u"four"_qs, u"five"_qs};
        QTest::newRow("spaces and line breaks only: capped") << five << QStringLiteral("  \n\t ") << qint64(2)
                                                             << QStringList{u"one"_qs, u"two"_qs};
        QTest::newRow("search ignores the cap") << five << QStringLiteral("o") << qint64(1)
                                                << QStringList{u"one"_qs, u"two"_qs, u"four"_qs};
        QTest::newRow("capacity 0 lists nothing") << five << QString() << qint64(0) << QStringList();
        QTest::newRow("negative capacity uses the default") << five << QString() << qint64(-5)
                                                            << QStringList{u"one"_qs, u"two"_qs, u"three"_qs,
                                                                           u"four"_qs, u"five"_qs};

        const QList<ClipboardItemPtr> spaced = {text(QStringLiteral("a  word")), text(QStringLiteral("a word")),
                                                text(QStringLiteral("word"))};
        QTest::newRow("search is used untrimmed") << spaced << QStringLiteral("  word") << qint64(30)
                                                  << QStringList{u"a  word"_qs};
        QTest::newRow("trailing space matters") << spaced << QStringLiteral("word ") << qint64(30) << QStringList();

        const QList<ClipboardItemPtr> cased = {text(QStringLiteral("hello world")), text(QStringLiteral("HELLO")),
                                               text(QStringLiteral("Olá Mundo"))};
        QTest::newRow("upper case finds lower case") << cased << QStringLiteral("HELLO") << qint64(30)
                                                     << QStringList{u"hello world"_qs, u"HELLO"_qs};
        QTest::newRow("accented letters ignore case") << cased << QStringLiteral("OLÁ") << qint64(30)
                                                      << QStringList{u"Olá Mundo"_qs};
        QTest::newRow("no match") << cased << QStringLiteral("xyz") << qint64(30) << QStringList();

        const QList<ClipboardItemPtr> mixed = {
            files({QStringLiteral("/home/ana/Reports/Budget.ods"), QStringLiteral("/tmp/notes.txt")}),
            image(png(4, 4)), text(QStringLiteral("budget for May")),
            makeItem(ClipboardItem::TableType, QStringLiteral("Item\tBudget"), std::nullopt, 0)};
        QTest::newRow("file paths match in any case") << mixed << QStringLiteral("BUDGET") << qint64(30)
                                                      << QStringList{u"/home/ana/Reports/Budget.ods,/tmp/notes.txt"_qs,
                                                                     u"budget for May"_qs, u"Item\tBudget"_qs};
        QTest::newRow("second path matches") << mixed << QStringLiteral("notes") << qint64(30)
                                             << QStringList{u"/home/ana/Reports/Budget.ods,/tmp/notes.txt"_qs};
        QTest::newRow("images never match a search") << mixed << QStringLiteral("image") << qint64(30) << QStringList();
        QTest::newRow("images are listed without a search") << mixed << QString() << qint64(2)
                                                            << QStringList{u"/home/ana/Reports/Budget.ods,/tmp/notes.txt"_qs,
                                                                           u"<image>"_qs};
    }

    void filteredItems()
    {
        QFETCH(QList<ClipboardItemPtr>, history);
        QFETCH(QString, search);
        QFETCH(qint64, maxCount);
        QFETCH(QStringList, expected);
        QCOMPARE(texts(HistoryFilter::filteredItems(history, search, maxCount, QLocale(QLocale::English))), expected);
    }

    void turkishLocaleFoldsDottedCapitalI()
    {
        const QLocale turkish(QLocale::Turkish);
        QVERIFY(HistoryFilter::containsIgnoringCase(QStringLiteral("istanbul"), QStringLiteral("İSTANBUL"), turkish));
    }

    void shortcutLabel_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label");
        QTest::newRow("first row") << 0 << QStringLiteral("⌘1");
        QTest::newRow("fifth row") << 4 << QStringLiteral("⌘5");
        QTest::newRow("ninth row") << 8 << QStringLiteral("⌘9");
        QTest::newRow("tenth row") << 9 << QStringLiteral("⌘0");
        QTest::newRow("eleventh row") << 10 << QString();
        QTest::newRow("far below") << 150 << QString();
        QTest::newRow("negative") << -1 << QString();
    }

    void shortcutLabel()
    {
        QFETCH(int, index);
        QFETCH(QString, label);
        QCOMPARE(HistoryItemDelegate::shortcutLabel(index), label);
    }

    void filterModelFollowsStoreSearchAndCapacity()
    {
        auto store = openStore();
        QVERIFY(store);
        ModelContext *context = store->mainContext();
        add(context, {text(QStringLiteral("alpha"), 1), text(QStringLiteral("beta"), 2),
                      text(QStringLiteral("gamma"), 3)});
        HistoryQueryModel history(context);
        HistoryFilterModel model(&history);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setMaxCount(2);
        QCOMPARE(texts(model.items()), (QStringList{u"gamma"_qs, u"beta"_qs}));

        // A new copy appears at the top and pushes the oldest out of the capped list.
        add(context, {text(QStringLiteral("delta"), 4)});
        QCOMPARE(texts(model.items()), (QStringList{u"delta"_qs, u"gamma"_qs}));

        model.setSearchText(QStringLiteral("A"));
        QCOMPARE(texts(model.items()), (QStringList{u"delta"_qs, u"gamma"_qs, u"beta"_qs, u"alpha"_qs}));

        // An entry moved to the top (a copy-back) changes the order live.
        const ClipboardItemPtr alpha = history.itemAt(3);
        alpha->setCopiedAt(T0.addSecs(10));
        QVERIFY(context->save());
        QCOMPARE(texts(model.items()).first(), u"alpha"_qs);

        context->remove(alpha);
        QVERIFY(context->save());
        QCOMPARE(texts(model.items()), (QStringList{u"delta"_qs, u"gamma"_qs, u"beta"_qs}));

        model.setSearchText(QString());
        model.setMaxCount(30);
        QCOMPARE(model.rowCount(), 3);
    }

    void thumbnailsAreSmallAndDecodedOnce()
    {
        auto store = openStore();
        QVERIFY(store);
        ModelContext *context = store->mainContext();
        const ClipboardItemPtr wide = image(png(1600, 400, Qt::blue), 1);
        const ClipboardItemPtr broken = image(QByteArray("not an image at all"), 2);
        add(context, {wide, broken, text(QStringLiteral("plain"), 3)});

        ThumbnailCache cache;
        QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
        HistoryQueryModel history(context);
        cache.prefetch(history.items());
        QCOMPARE(cache.state(wide->id()), ThumbnailCache::State::Pending);
        cache.waitForPending();
        QCOMPARE(cache.decodeCount(), 2);
        QCOMPARE(ready.count(), 2);

        const QImage thumbnail = cache.thumbnail(history.itemAt(2));
        QCOMPARE(thumbnail.size(), QSize(ThumbnailCache::Edge, ThumbnailCache::Edge));
        QCOMPARE(thumbnail.pixelColor(ThumbnailCache::Edge / 2, ThumbnailCache::Edge / 2), QColor(Qt::blue));
        QCOMPARE(cache.state(broken->id()), ThumbnailCache::State::Failed);
        QVERIFY(cache.thumbnail(broken).isNull());

        // Asking again, or prefetching the same history, decodes nothing more.
        cache.thumbnail(history.itemAt(2));
        cache.prefetch(history.items());
        QCOMPARE(cache.decodeCount(), 2);

        // Entries gone from the history are forgotten.
        context->remove(history.itemAt(2));
        QVERIFY(context->save());
        cache.prefetch(history.items());
        QCOMPARE(cache.state(wide->id()), ThumbnailCache::State::Missing);
    }

    void viewSelectsRowsOfTheFilteredList_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("copied"); // empty: nothing copied, popup stays

        QTest::newRow("first row") << QString() << 0 << QStringLiteral("three");
        QTest::newRow("third row of three") << QString() << 2 << QStringLiteral("one");
        QTest::newRow("fourth row of three") << QString() << 3 << QString();
        QTest::newRow("third row of a filtered two") << QStringLiteral("t") << 2 << QString();
        QTest::newRow("second row of a filtered two") << QStringLiteral("t") << 1 << QStringLiteral("two");
        QTest::newRow("negative") << QString() << -1 << QString();
    }

    void viewSelectsRowsOfTheFilteredList()
    {
        QFETCH(QString, search);
        QFETCH(int, index);
        QFETCH(QString, copied);

        auto store = openStore();
        QVERIFY(store);
        add(store->mainContext(), {text(QStringLiteral("one"), 1), text(QStringLiteral("two"), 2),
                                   text(QStringLiteral("three"), 3)});
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        QStringList copies;
        int closes = 0;
        HistoryPopoverActions actions;
        actions.copyItemToPasteboard = [&](const ClipboardItemPtr &item, ModelContext *context) {
            QCOMPARE(context, store->mainContext());
            copies << *item->textContent();
        };
        actions.closePopover = [&] { ++closes; };
        HistoryPopoverView view(store->mainContext(), &preferences, nullptr, actions);
        view.setSearchText(search);
        view.selectItemAtIndex(index);
        QCOMPARE(copies, copied.isEmpty() ? QStringList() : QStringList{copied});
        QCOMPARE(closes, copied.isEmpty() ? 0 : 1);
    }

    void viewShowsEmptyStateAndTrashAsTheHistoryChanges()
    {
        auto store = openStore();
        QVERIFY(store);
        ModelContext *context = store->mainContext();
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        HistoryPopoverView view(context, &preferences, nullptr, {});
        view.show();
        QVERIFY(view.isShowingEmptyState());
        QVERIFY(view.clearButton()->isHidden());

        add(context, {text(QStringLiteral("kept"), 1), files({QStringLiteral("/srv/a.txt")}, 2)});
        QVERIFY(!view.isShowingEmptyState());
        QVERIFY(!view.clearButton()->isHidden());

        // A search without matches shows the empty state, but the trash stays: the store has entries.
        view.setSearchText(QStringLiteral("nothing like this"));
        QVERIFY(view.isShowingEmptyState());
        QVERIFY(!view.clearButton()->isHidden());

        // Clearing deletes everything, including entries the search hides.
        view.showClearConfirmation();
        QVERIFY(view.clearConfirmation()->isVisible());
        view.clearConfirmation()->cancelButton()->click();
        QCOMPARE(view.historyModel()->rowCount(), 2);
        view.showClearConfirmation();
        view.clearConfirmation()->confirmButton()->click();
        QVERIFY(!view.clearConfirmation()->isVisible());
        auto remaining = context->fetch(FetchDescriptor::all());
        QVERIFY(remaining);
        QCOMPARE(remaining->size(), 0);
        QVERIFY(view.clearButton()->isHidden());
        QCOMPARE(view.searchText(), QStringLiteral("nothing like this"));
    }

    void closingThePopupDismissesTheQuestion()
    {
        auto store = openStore();
        QVERIFY(store);
        add(store->mainContext(), {text(QStringLiteral("kept"), 1)});
        HistoryPopoverView view(store->mainContext(), nullptr, nullptr, {});
        view.show();
        view.showClearConfirmation();
        view.hide();
        view.show();
        QVERIFY(!view.clearConfirmation()->isVisible());
        QCOMPARE(view.historyModel()->rowCount(), 1);
    }

    void clickingARowCopiesItBack()
    {
        auto store = openStore();
        QVERIFY(store);
        add(store->mainContext(), {text(QStringLiteral("older"), 1), text(QStringLiteral("newer"), 2)});
        QStringList copies;
        int closes = 0;
        HistoryPopoverActions actions;
        actions.copyItemToPasteboard = [&](const ClipboardItemPtr &item, ModelContext *) {
            copies << *item->textContent();
        };
        actions.closePopover = [&] { ++closes; };
        HistoryPopoverView view(store->mainContext(), nullptr, nullptr, actions);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QListView *list = view.listView();
        const QRect second = list->visualRect(list->model()->index(1, 0));
        QVERIFY(second.isValid());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(copies, QStringList{u"older"_qs});
        QCOMPARE(closes, 1);
    }

    void viewFollowsTheCapacityPreference()
    {
        auto store = openStore();
        QVERIFY(store);
        QList<ClipboardItemPtr> many;
        for (int i = 0; i < 12; ++i)
            many << text(QStringLiteral("entry %1").arg(i), i);
        add(store->mainContext(), many);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        preferences.setMaxHistoryCount(5);
        HistoryPopoverView view(store->mainContext(), &preferences, nullptr, {});
        QCOMPARE(view.filteredItems().size(), 5);
        preferences.setMaxHistoryCount(10);
        QCOMPARE(view.filteredItems().size(), 10);
        defaults.remove(PreferenceKeys::maxHistoryCount);
        QCOMPARE(view.filteredItems().size(), 12); // default 30
    }

    void typingInTheSearchFieldFilters()
    {
        auto store = openStore();
        QVERIFY(store);
        add(store->mainContext(), {text(QStringLiteral("apple"), 1), text(QStringLiteral("banana"), 2)});
        HistoryPopoverView view(store->mainContext(), nullptr, nullptr, {});
        view.show();
        QTest::keyClicks(view.searchBar()->field(), QStringLiteral("APP"));
        QCOMPARE(texts(view.filteredItems()), QStringList{u"apple"_qs});
        QCOMPARE(view.listView()->model()->rowCount(), 1);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_stores = 0;
};

QTEST_MAIN(HistoryPopoverTest)
#include "tst_historypopover.moc"
