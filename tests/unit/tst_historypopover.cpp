// The popup's history list: which entries are listed for a search, the live list model over the
// store, thumbnails decoded once and small, and the view's own actions (select a row, the row menu,
// clear all, empty state, the trash button).
#include "fakes/MonitorHarness.h"
#include "fakes/TestData.h"
#include "store/HistoryQueryModel.h"
#include "views/popup/ClearConfirmation.h"
#include "views/popup/EmptyStateView.h"
#include "views/popup/HistoryFilter.h"
#include "views/popup/HistoryFilterModel.h"
#include "views/popup/HistoryPopoverView.h"
#include "views/popup/ThumbnailCache.h"
#include "views/widgets/SearchBar.h"
#include "views/widgets/SymbolButton.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {

const QDateTime T0 = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);

ClipboardItemPtr makeItem(const QString &type, const std::optional<QString> &text, int secondsAfterT0,
                          const std::optional<QStringList> &paths = std::nullopt,
                          const std::optional<QByteArray> &image = std::nullopt)
{
    return TestData::entry(type, text, T0.addSecs(secondsAfterT0), false, paths, image);
}

ClipboardItemPtr text(const QString &value, int at = 0)
{
    return makeItem(ClipboardItem::TextType, value, at);
}

ClipboardItemPtr image(int width, int height, int at = 0, QColor color = Qt::red)
{
    return makeItem(ClipboardItem::ImageType, std::nullopt, at, std::nullopt,
                    TestData::encodedImage("png", width, height, 0, color));
}

using TestData::texts;

void add(ModelContext *context, const QList<ClipboardItemPtr> &items)
{
    for (const ClipboardItemPtr &item : items)
        context->insert(item);
    QVERIFY(context->save());
}

} // namespace

class HistoryPopoverTest : public QObject
{
    Q_OBJECT

    // The main context of a fresh store holding `items`; historyService() works on it.
    ModelContext *storeWith(const QList<ClipboardItemPtr> &items)
    {
        m_harness = std::make_unique<MonitorHarness>();
        add(m_harness->context(), items);
        return m_harness->context();
    }
    HistoryService *historyService() const { return m_harness->history.get(); }

private Q_SLOTS:
    void filteredItems_data()
    {
        QTest::addColumn<QList<ClipboardItemPtr>>("history");
        QTest::addColumn<QString>("search");
        QTest::addColumn<qint64>("maxCount");
        QTest::addColumn<QStringList>("expected");

        const QStringList all = {u"one"_qs, u"two"_qs, u"three"_qs, u"four"_qs, u"five"_qs};
        QList<ClipboardItemPtr> five;
        for (const QString &value : all)
            five << text(value);
        QTest::newRow("no search: capped") << five << QString() << qint64(3) << all.mid(0, 3);
        QTest::newRow("spaces and line breaks only: capped") << five << u"  \n\t "_qs << qint64(2) << all.mid(0, 2);
        QTest::newRow("search ignores the cap") << five << u"o"_qs << qint64(1)
                                                << QStringList{u"one"_qs, u"two"_qs, u"four"_qs};
        QTest::newRow("capacity 0 lists nothing") << five << QString() << qint64(0) << QStringList();
        QTest::newRow("negative capacity uses the default") << five << QString() << qint64(-5) << all;

        const QList<ClipboardItemPtr> words = {text(u"a  word"_qs), text(u"hello world"_qs), text(u"HELLO"_qs),
                                               text(u"Olá Mundo"_qs)};
        QTest::newRow("search is used untrimmed") << words << u"word "_qs << qint64(30) << QStringList();
        QTest::newRow("accented letters ignore case") << words << u"OLÁ"_qs << qint64(30) << QStringList{u"Olá Mundo"_qs};

        const QString paths = u"/home/ana/Reports/Budget.ods,/tmp/notes.txt"_qs;
        const QList<ClipboardItemPtr> mixed = {makeItem(ClipboardItem::FileType, std::nullopt, 0, paths.split(u',')),
                                               image(4, 4), text(u"budget for May"_qs),
                                               makeItem(ClipboardItem::TableType, u"Item\tBudget"_qs, 0)};
        QTest::newRow("file paths match in any case") << mixed << u"BUDGET"_qs << qint64(30)
                                                      << QStringList{paths, u"budget for May"_qs, u"Item\tBudget"_qs};
        QTest::newRow("second path matches") << mixed << u"notes"_qs << qint64(30) << QStringList{paths};
        QTest::newRow("images never match a search") << mixed << u"image"_qs << qint64(30) << QStringList();
        QTest::newRow("images are listed without a search") << mixed << QString() << qint64(2)
                                                            << QStringList{paths, u"<image>"_qs};
    }

    void filteredItems()
    {
        QFETCH(QList<ClipboardItemPtr>, history);
        QFETCH(QString, search);
        QFETCH(qint64, maxCount);
        QFETCH(QStringList, expected);
        QCOMPARE(texts(HistoryFilter::filteredItems(history, search, maxCount, QLocale(QLocale::English))), expected);
    }

    // Matching folds each text once; it must find exactly what comparing the locale's lower case
    // ignoring case finds.
    void foldedMatchingAgreesWithLocaleComparison_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QLocale>("locale");
        const QLocale english(QLocale::English);
        const QLocale turkish(QLocale::Turkish);
        QTest::newRow("Turkish dotted capital I") << u"istanbul"_qs << u"İSTANBUL"_qs << turkish;
        QTest::newRow("Turkish dotless i") << u"ılık"_qs << u"ILIK"_qs << turkish;
        QTest::newRow("dotted capital I elsewhere") << u"istanbul"_qs << u"İSTANBUL"_qs << english;
        QTest::newRow("sharp s") << u"Straße"_qs << u"STRASSE"_qs << english;
        QTest::newRow("Greek final sigma") << u"ΟΔΥΣΣΕΥΣ"_qs << u"οδυσσευς"_qs << QLocale(QLocale::Greek);
        QTest::newRow("Deseret, outside the basic plane") << u"𐐀𐐁"_qs << u"𐐨"_qs << english;
        QTest::newRow("Cyrillic") << u"Привет, Мир"_qs << u"мир"_qs << QLocale(QLocale::Russian);
        QTest::newRow("Kelvin sign") << u"300 K"_qs << u"300 k"_qs << english;
        QTest::newRow("no match") << u"alpha"_qs << u"beta"_qs << english;
    }

    void foldedMatchingAgreesWithLocaleComparison()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(QLocale, locale);
        const bool expected = locale.toLower(text).contains(locale.toLower(search), Qt::CaseInsensitive);
        QCOMPARE(HistoryFilter::containsIgnoringCase(text, search, locale), expected);
    }

    void filterModelFollowsStoreSearchAndCapacity()
    {
        ModelContext *context = storeWith({text(u"alpha"_qs, 1), text(u"beta"_qs, 2), text(u"gamma"_qs, 3)});
        HistoryQueryModel history(context);
        HistoryFilterModel model(&history);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setMaxCount(2);
        QCOMPARE(texts(model.items()), (QStringList{u"gamma"_qs, u"beta"_qs}));

        // A new copy appears at the top and pushes the oldest out of the capped list.
        add(context, {text(u"delta"_qs, 4)});
        QCOMPARE(texts(model.items()), (QStringList{u"delta"_qs, u"gamma"_qs}));
        model.setSearchText(u"A"_qs);
        QCOMPARE(texts(model.items()), (QStringList{u"delta"_qs, u"gamma"_qs, u"beta"_qs, u"alpha"_qs}));

        // An entry moved to the top (a copy-back) changes the order live; a removed one goes.
        const ClipboardItemPtr alpha = history.itemAt(3);
        alpha->setCopiedAt(T0.addSecs(10));
        QVERIFY(context->save());
        QCOMPARE(texts(model.items()).first(), u"alpha"_qs);
        context->remove(alpha);
        QVERIFY(context->save());
        QCOMPARE(texts(model.items()), (QStringList{u"delta"_qs, u"gamma"_qs, u"beta"_qs}));
    }

    // A thumbnail is made once in the history's life: kept beside its entry, read as kept by a
    // later cache (a later start), and deleted with the entry.
    void thumbnailsAreSmallAndMadeOnce()
    {
        const ClipboardItemPtr wide = image(1600, 400, 1, Qt::blue);
        const ClipboardItemPtr broken = makeItem(ClipboardItem::ImageType, std::nullopt, 2, std::nullopt, QByteArray("?"));
        ModelContext *context = storeWith({wide, broken, text(u"plain"_qs, 3)});
        ModelContainer *container = context->container();
        HistoryQueryModel history(context);
        HistoryService *service = historyService();
        // The entry whose bytes are no image is tried again at each start; nothing is kept of it.
        for (const int made : {2, 1}) {
            ThumbnailCache cache;
            cache.setHistory(service);
            QSignalSpy ready(&cache, &ThumbnailCache::thumbnailReady);
            cache.prefetch(history.items());
            cache.waitForPending();
            QCOMPARE(ready.count(), 2);
            QCOMPARE(cache.decodeCount(), made);

            const QImage thumbnail = cache.thumbnail(history.itemAt(2)->id());
            QCOMPARE(thumbnail.size(), QSize(ThumbnailCache::Edge, ThumbnailCache::Edge));
            QCOMPARE(thumbnail.pixelColor(ThumbnailCache::Edge / 2, ThumbnailCache::Edge / 2), QColor(Qt::blue));
            QCOMPARE(cache.state(broken->id()), ThumbnailCache::State::Failed);
            QVERIFY(cache.thumbnail(broken->id()).isNull());
            cache.prefetch(history.items()); // the same history again
            QCOMPARE(cache.decodeCount(), made);
        }

        // Entries gone from the history are forgotten, their kept thumbnail with them.
        ThumbnailCache cache;
        cache.setHistory(service);
        cache.prefetch(history.items());
        cache.waitForPending();
        QVERIFY(container->readThumbnail(wide->storedId()));
        context->remove(history.itemAt(2));
        QVERIFY(context->save());
        cache.prefetch(history.items());
        QCOMPARE(cache.state(wide->id()), ThumbnailCache::State::Missing);
        QVERIFY(!container->readThumbnail(wide->storedId()));
    }

    void viewSelectsRowsOfTheFilteredList_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("click"); // a mouse click on the row rather than a quick selection
        QTest::addColumn<QString>("copied"); // empty: nothing copied, popup stays

        // Rows of the whole list by their quick-select keys are tst_statusbarcontroller's.
        QTest::newRow("second row of a filtered two") << u"t"_qs << 1 << false << u"two"_qs;
        QTest::newRow("third row of a filtered two") << u"t"_qs << 2 << false << QString();
        QTest::newRow("click on the second row") << QString() << 1 << true << u"two"_qs;
    }

    void viewSelectsRowsOfTheFilteredList()
    {
        QFETCH(QString, search);
        QFETCH(int, index);
        QFETCH(bool, click);
        QFETCH(QString, copied);

        storeWith({text(u"one"_qs, 1), text(u"two"_qs, 2), text(u"three"_qs, 3)});
        QStringList copies;
        int closes = 0;
        HistoryPopoverView view(historyService(), nullptr, nullptr);
        connect(&view, &HistoryPopoverView::entryChosen, this, [&](const ClipboardItemPtr &item) {
            QCOMPARE(historyService()->entries().first(), item);
            copies << *item->textContent();
        });
        connect(&view, &HistoryPopoverView::closeRequested, this, [&] { ++closes; });
        view.setSearchText(search);
        if (click) {
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            QListView *list = view.listView();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(index, 0)).center());
        } else {
            view.selectItemAtIndex(index);
        }
        QCOMPARE(copies, copied.isEmpty() ? QStringList() : QStringList{copied});
        QCOMPARE(closes, copied.isEmpty() ? 0 : 1);
    }

    // By keyboard from the search field: the first row shown is chosen, the arrows and page keys
    // move the choice while the keyboard stays in the field, Enter takes the chosen row.
    void keyboardChoosesAndTakesRows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("copied"); // empty: nothing copied

        using Keys = QList<int>;
        QTest::newRow("Enter takes the newest") << QString() << Keys{Qt::Key_Return} << u"four"_qs;
        QTest::newRow("Down, Enter") << QString() << Keys{Qt::Key_Down, Qt::Key_Enter} << u"three"_qs;
        QTest::newRow("Down past the end stays on the last")
            << QString() << Keys{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}
            << u"one"_qs;
        QTest::newRow("Down, Up, Up") << QString() << Keys{Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Return}
                                      << u"four"_qs;
        QTest::newRow("Page Down") << QString() << Keys{Qt::Key_PageDown, Qt::Key_Return} << u"one"_qs;
        QTest::newRow("End, then Home") << QString() << Keys{Qt::Key_End, Qt::Key_Home, Qt::Key_Return} << u"four"_qs;
        QTest::newRow("End with the search empty") << QString() << Keys{Qt::Key_End, Qt::Key_Return} << u"one"_qs;
        // The first match is chosen as the search changes; Home and End then move the text cursor.
        QTest::newRow("typing, Enter") << u"t"_qs << Keys{Qt::Key_Return} << u"three"_qs;
        QTest::newRow("typing, Down, Enter") << u"t"_qs << Keys{Qt::Key_Down, Qt::Key_Return} << u"two"_qs;
        QTest::newRow("typing, End") << u"t"_qs << Keys{Qt::Key_Down, Qt::Key_End, Qt::Key_Return} << u"two"_qs;
        QTest::newRow("typing after a Down chooses the first match again")
            << u"o"_qs << Keys{Qt::Key_Down, Qt::Key_N, Qt::Key_Return} << u"one"_qs;
        QTest::newRow("nothing listed") << u"zzz"_qs << Keys{Qt::Key_Return} << QString();
    }
    void keyboardChoosesAndTakesRows()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(QString, copied);

        storeWith({text(u"one"_qs, 1), text(u"two"_qs, 2), text(u"three"_qs, 3), text(u"four"_qs, 4)});
        HistoryPopoverView view(historyService(), nullptr, nullptr);
        QStringList copies;
        connect(&view, &HistoryPopoverView::entryChosen, this,
                [&](const ClipboardItemPtr &item) { copies << *item->textContent(); });
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QLineEdit *field = view.searchBar()->field();
        QCOMPARE(view.selectedRow(), 0);
        QTest::keyClicks(field, typed);
        for (int key : keys) {
            QTest::keyClick(field, Qt::Key(key));
            QVERIFY(field->hasFocus());
        }
        QCOMPARE(copies, copied.isEmpty() ? QStringList() : QStringList{copied});
    }

    // Tab goes through every control as the eye reads them, each showing the focus; typing in
    // the list goes on in the search field.
    void tabReachesTheListAndEveryButton()
    {
        storeWith({text(u"one"_qs, 1), text(u"two"_qs, 2)});
        HistoryPopoverView view(historyService(), nullptr, nullptr);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyClicks(view.searchBar()->field(), u"o"_qs);
        const QStringList expected = {u"searchClear"_qs, u"historyList"_qs, u"settingsButton"_qs, u"helpButton"_qs,
                                      u"quitButton"_qs, u"clearHistoryButton"_qs, u"searchField"_qs};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget *before = QApplication::focusWidget();
            QTest::keyClick(before, Qt::Key_Tab);
            QWidget *now = QApplication::focusWidget();
            visited << now->objectName();
            if (auto *button = qobject_cast<SymbolButton *>(now)) {
                // The ring: the button looks different with the focus than without.
                const QImage focused = button->grab().toImage();
                button->clearFocus();
                QVERIFY2(button->grab().toImage() != focused, qPrintable(now->objectName()));
                button->setFocus(Qt::TabFocusReason);
            }
        }
        QCOMPARE(visited, expected);
        // Backwards too.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"clearHistoryButton"_qs);

        view.listView()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(view.listView(), Qt::Key_N);
        QVERIFY(view.searchBar()->field()->hasFocus());
        QCOMPARE(view.searchText(), u"on"_qs);
    }

    // The row's menu, from the Menu key or Shift+F10 on the chosen row: pin or unpin, and delete.
    void rowMenuByKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Menu key") << int(Qt::Key_Menu) << Qt::KeyboardModifiers();
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << Qt::KeyboardModifiers(Qt::ShiftModifier);
    }
    void rowMenuByKeyboard()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        storeWith({text(u"one"_qs, 1), text(u"two"_qs, 2), text(u"three"_qs, 3)});
        HistoryPopoverView view(historyService(), nullptr, nullptr);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::keyClick(view.searchBar()->field(), Qt::Key_Down);
        QTest::keyClick(view.searchBar()->field(), Qt::Key(key), modifiers);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList entries;
        for (QAction *action : menu->actions())
            entries << action->text();
        QCOMPARE(entries, (QStringList{u"Fixar"_qs, u"Excluir"_qs}));
        menu->actions().last()->trigger();
        menu->close();
        QCOMPARE(texts(view.filteredItems()), (QStringList{u"three"_qs, u"one"_qs}));
        QCOMPARE(view.selectedRow(), 1);
        std::unique_ptr<QMenu> again(view.buildRowMenu(0, nullptr));
        again->actions().first()->trigger();
        QVERIFY(view.filteredItems().first()->isPinned());
    }

    void viewShowsEmptyStateAndTrashAsTheHistoryChanges()
    {
        ModelContext *context = storeWith({});
        HistoryPopoverView view(historyService(), nullptr, nullptr);
        view.show();
        QVERIFY(view.isShowingEmptyState());
        QCOMPARE(view.emptyState()->headline(), u"Nenhum item copiado"_qs);
        QVERIFY(view.clearButton()->isHidden());
        // Searching an empty history: it is still empty, not a search without matches.
        view.setSearchText(u"x"_qs);
        QCOMPARE(view.emptyState()->headline(), u"Nenhum item copiado"_qs);
        view.setSearchText(QString());
        add(context, {text(u"kept"_qs, 1), makeItem(ClipboardItem::FileType, std::nullopt, 2, QStringList{u"/srv/a"_qs})});
        QVERIFY(!view.isShowingEmptyState());
        QVERIFY(!view.clearButton()->isHidden());

        // A search without matches says so, and the trash stays: the store has entries.
        view.setSearchText(u"nothing like this"_qs);
        QTRY_VERIFY(view.isShowingEmptyState());
        QCOMPARE(view.emptyState()->headline(), u"Nenhum item corresponde à busca"_qs);
        QVERIFY(!view.clearButton()->isHidden());

        // One button looks chosen at a time: the focused one, which Enter presses.
        view.showClearConfirmation();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QPushButton *cancel = view.clearConfirmation()->cancelButton();
        QPushButton *confirm = view.clearConfirmation()->confirmButton();
        QTRY_VERIFY(cancel->hasFocus());
        QVERIFY(cancel->isDefault() && !confirm->isDefault());
        QTest::keyClick(cancel, Qt::Key_Tab);
        QVERIFY(confirm->hasFocus());
        QVERIFY(confirm->isDefault() && !cancel->isDefault());
        // Tab stays on the question: the controls behind the sheet are covered.
        QTest::keyClick(confirm, Qt::Key_Tab);
        QVERIFY(cancel->hasFocus());
        QTest::keyClick(cancel, Qt::Key_Backtab);
        QVERIFY(confirm->hasFocus());
        QTest::keyClick(confirm, Qt::Key_Backtab);
        QTest::keyClick(cancel, Qt::Key_Return);
        QVERIFY(!view.clearConfirmation()->isVisible());
        QCOMPARE(view.historyModel()->rowCount(), 2);

        // The question goes away unanswered with the popup.
        view.showClearConfirmation();
        view.hide();
        view.show();
        QVERIFY(!view.clearConfirmation()->isVisible());

        // Clearing deletes everything, including entries the search hides.
        view.showClearConfirmation();
        view.clearConfirmation()->confirmButton()->click();
        QVERIFY(!view.clearConfirmation()->isVisible());
        const auto remaining = context->fetch(FetchDescriptor::all());
        QVERIFY(remaining && remaining->isEmpty());
        QVERIFY(view.clearButton()->isHidden());
    }

    void viewFollowsTheCapacityPreference()
    {
        QList<ClipboardItemPtr> many;
        for (int i = 0; i < 12; ++i)
            many << text(QString::number(i), i);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        preferences.setMaxHistoryCount(5);
        storeWith(many);
        HistoryPopoverView view(historyService(), &preferences, nullptr);
        QCOMPARE(view.filteredItems().size(), 5);
        preferences.setMaxHistoryCount(10);
        QCOMPARE(view.filteredItems().size(), 10);
        defaults.remove(PreferenceKeys::maxHistoryCount);
        QCOMPARE(view.filteredItems().size(), 12); // default 30
    }

private:
    std::unique_ptr<MonitorHarness> m_harness;
};

QTEST_MAIN(HistoryPopoverTest)
#include "tst_historypopover.moc"
