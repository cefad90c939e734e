// The history window driven as a user would: the placeholder, the rows of each kind, the detail
// pane, "Excluir", copying back the fifth entry, a long text, a language change, and the window
// manager's one window of each kind at most.
#include "fakes/TestData.h"
#include "fakes/MonitorHarness.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "shell/WindowManager.h"
#include "store/HistoryQueryModel.h"
#include "views/guide/HelpView.h"
#include "views/history/FullTextView.h"
#include "views/history/HistoryWindow.h"
#include "views/history/HistoryWindowBrowser.h"
#include "views/history/HistoryWindowDetail.h"
#include "views/history/HistoryWindowRowDelegate.h"
#include "views/history/ImageFitView.h"
#include "views/widgets/WindowRoot.h"

#include <QImage>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

namespace {

using TestData::settle;

// The window of `kind` ("settings", "help" or "history") the manager has open, or null.
QWidget *shownWindow(const WindowManager &windows, const QString &kind)
{
    return kind == u"settings" ? windows.settingsWindow() : kind == u"help" ? windows.helpWindow() : windows.historyWindow();
}

// Asks the manager for a window of `kind` and returns the one it shows.
QWidget *openWindow(WindowManager &windows, const QString &kind)
{
    kind == u"settings" ? windows.openSettings() : kind == u"help" ? windows.openHelp() : windows.openHistory();
    return shownWindow(windows, kind);
}

} // namespace

class HistoryWindowTest : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        MonitorHarness harness;
        std::unique_ptr<LanguageManager> languages;
        std::unique_ptr<HistoryWindow> view;

        // Copies these texts, the last one newest, opens the window and chooses `row`.
        void openWith(const QStringList &texts, int row)
        {
            for (const QString &text : texts)
                harness.copyText(text);
            open();
            chooseRow(row);
        }
        HistoryWindow *open()
        {
            view = std::make_unique<HistoryWindow>(
                HistoryWindowServices{harness.history.get(), &harness.workspace, languages.get(), nullptr});
            view->resize(WindowManager::HistorySize);
            view->show();
            view->activateWindow();
            if (!QTest::qWaitForWindowActive(view.get()))
                qWarning("the history window is not active");
            settle();
            return view.get();
        }
        HistoryWindowBrowser *browser() const { return view->browser(); }
        QListView *sidebar() const { return browser()->sidebar(); }
        HistoryWindowDetail *detail() const { return browser()->detail(); }
        HistoryQueryModel *model() const { return view->model(); }
        void chooseRow(int row)
        {
            sidebar()->setFocus();
            QTest::keyClick(sidebar(), Qt::Key_Home);
            for (int i = 0; i < row; ++i)
                QTest::keyClick(sidebar(), Qt::Key_Down);
            settle();
        }
        QStringList titles() const
        {
            QStringList result;
            for (int row = 0; row < model()->rowCount(); ++row)
                result << model()->index(row).data(HistoryQueryModel::PreviewRole).toString();
            return result;
        }
    };

    TestData::PortugueseTables m_tables;

private Q_SLOTS:
    void cleanup() { LocalizedAppBundle::setSelectedLanguage(u"system"_qs); }

    void anEmptyHistoryShowsThePlaceholder()
    {
        Fixture f;
        f.open();
        QCOMPARE(f.sidebar()->model()->rowCount(), 0);
        QVERIFY(f.browser()->isPlaceholderShown());
        QCOMPARE(f.browser()->placeholder()->text(), u"Selecione um item do histórico"_qs);
        QCOMPARE(f.view->windowTitle(), u"Kavla"_qs);
        // The keys have nothing to act on.
        f.sidebar()->setFocus();
        QTest::keyClick(f.sidebar(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(f.sidebar(), Qt::Key_Delete);
        QVERIFY(!f.harness.pasteboard.written());
        QVERIFY(f.browser()->isPlaceholderShown());
    }

    void eachKindShowsItsRowAndDetail_data()
    {
        QTest::addColumn<MonitorHarness::Flavours>("copied");
        QTest::addColumn<QString>("frontmostName");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("content"); // the detail's view, by object name
        QTest::addColumn<QString>("shownText"); // the text view's text or the first file's whole path

        const QString tsv = u"a\tb\n1\t2"_qs;
        QTest::newRow("text") << MonitorHarness::Flavours{{u"text/plain"_qs, "hello  world\nsecond line"}} << u"Firefox"_qs
                              << u"hello  world second line"_qs << u"fullText"_qs
                              << u"hello  world\nsecond line"_qs;
        QTest::newRow("no source name") << MonitorHarness::Flavours{{u"text/plain"_qs, "anonymous"}} << QString()
                                        << u"anonymous"_qs << u"fullText"_qs << u"anonymous"_qs;
        QTest::newRow("image") << MonitorHarness::Flavours{{u"image/png"_qs, TestData::encodedImage("png", 40, 20)}} << u"Firefox"_qs
                               << u"Imagem Copiada"_qs << u"image"_qs << QString();
        QTest::newRow("table") << MonitorHarness::Flavours{{u"text/tab-separated-values"_qs, tsv.toUtf8()},
                                                           {u"text/plain"_qs, tsv.toUtf8()}}
                               << u"Firefox"_qs << u"a\tb 1\t2"_qs << u"fullText"_qs << tsv;
        QTest::newRow("files") << MonitorHarness::Flavours{{u"text/uri-list"_qs, "file:///tmp/report.pdf\r\nfile:///tmp/b.txt\r\n"}}
                               << u"Firefox"_qs << u"2 arquivos"_qs << u"files"_qs << u"/tmp/report.pdf"_qs;
    }
    void eachKindShowsItsRowAndDetail()
    {
        QFETCH(MonitorHarness::Flavours, copied);
        QFETCH(QString, frontmostName);
        QFETCH(QString, title);
        QFETCH(QString, content);
        QFETCH(QString, shownText);
        Fixture f;
        f.harness.workspace.frontmost = {frontmostName.isEmpty() ? QString() : u"org.mozilla.firefox"_qs, frontmostName};
        f.harness.copy(copied);
        QCOMPARE(f.harness.entries().size(), 1);
        f.open();

        const QModelIndex row = f.model()->index(0);
        QCOMPARE(HistoryWindowRowDelegate::title(row.data(HistoryQueryModel::ContentTypeRole).toString(),
                                                 row.data(HistoryQueryModel::PreviewRole).toString(),
                                                 row.data(HistoryQueryModel::TitleRole).toString()),
                 title);

        f.chooseRow(0);
        QVERIFY(!f.browser()->isPlaceholderShown());
        QWidget *shown = f.detail()->shownContent();
        QVERIFY(shown);
        QCOMPARE(shown->objectName(), content);
        if (content == u"fullText")
            QCOMPARE(f.detail()->textView()->fullText(), shownText);
        else if (content == u"files")
            QCOMPARE(f.detail()->fileList()->item(0)->text(), shownText);
        else
            QTRY_COMPARE(f.detail()->imageView()->image().size(), QSize(40, 20));
        QCOMPARE(f.detail()->sourceLabel()->isVisibleTo(f.detail()), !frontmostName.isEmpty());
        QCOMPARE(f.detail()->sourceLabel()->text(), frontmostName);
        QVERIFY(!f.detail()->timeLabel()->text().isEmpty());
    }

    // The image is decoded off the interface thread; one still being decoded when another entry
    // is chosen never takes that entry's place.
    void aLateImageNeverReplacesTheNextEntry()
    {
        Fixture f;
        f.harness.copy({{u"image/png"_qs, TestData::encodedImage("png", 2400, 1600)}});
        f.harness.copyText(u"depois"_qs);
        f.open();
        f.detail()->showItem(f.model()->itemAt(1));
        QCOMPARE(f.detail()->shownContent()->objectName(), u"image"_qs);
        f.detail()->showItem(f.model()->itemAt(0));
        QTest::qWait(300);
        QCOMPARE(f.detail()->shownContent()->objectName(), u"fullText"_qs);
        QVERIFY(f.detail()->imageView()->image().isNull());
        f.detail()->showItem(f.model()->itemAt(1));
        QTRY_COMPARE(f.detail()->imageView()->image().size(), QSize(2400, 1600));
    }

    // The chosen entry deleted by "Excluir", the Delete key, or elsewhere (the popup, a trim): the
    // detail goes back to the placeholder with nothing chosen.
    void deletingTheChosenEntry_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Excluir") << u"button"_qs;
        QTest::newRow("Delete key") << u"key"_qs;
        QTest::newRow("deleted elsewhere") << u"elsewhere"_qs;
    }
    void deletingTheChosenEntry()
    {
        QFETCH(QString, how);
        Fixture f;
        f.openWith({u"one"_qs, u"two"_qs, u"three"_qs}, 1);
        QCOMPARE(f.view->selectedItem()->textContent(), u"two"_qs);
        if (how == u"key") {
            QTest::keyClick(f.sidebar(), Qt::Key_Delete);
        } else if (how == u"button") {
            QTest::mouseClick(f.detail()->findChild<QPushButton *>(u"delete"_qs), Qt::LeftButton);
        } else {
            f.harness.context()->remove(f.view->selectedItem());
            QVERIFY(f.harness.context()->save());
        }
        settle();
        QCOMPARE(f.titles(), (QStringList{u"three"_qs, u"one"_qs}));
        QCOMPARE(f.harness.entries().size(), 2);
        QVERIFY(!f.view->selectedItem());
        QVERIFY(f.browser()->isPlaceholderShown());
        QVERIFY(!f.sidebar()->selectionModel()->hasSelection());
    }

    void copyingBackTheFifthEntryKeepsItChosenAtTheTop_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Copiar Novamente") << u"button"_qs;
        QTest::newRow("Ctrl+C in the sidebar") << u"key"_qs;
    }
    void copyingBackTheFifthEntryKeepsItChosenAtTheTop()
    {
        QFETCH(QString, how);
        Fixture f;
        f.openWith({u"entry 1"_qs, u"entry 2"_qs, u"entry 3"_qs, u"entry 4"_qs, u"entry 5"_qs, u"entry 6"_qs, u"entry 7"_qs}, 4);
        const ClipboardItemPtr fifth = f.view->selectedItem();
        QCOMPARE(fifth->textContent(), u"entry 3"_qs);
        if (how == u"key")
            QTest::keyClick(f.sidebar(), Qt::Key_C, Qt::ControlModifier);
        else
            QTest::mouseClick(f.detail()->findChild<QPushButton *>(u"copyAgain"_qs), Qt::LeftButton);
        settle();
        QVERIFY(f.harness.pasteboard.written());
        QCOMPARE(f.harness.pasteboard.written()->text(), u"entry 3"_qs);
        QCOMPARE(f.titles().first(), u"entry 3"_qs);
        QCOMPARE(f.harness.entries().first(), fifth);
        QCOMPARE(f.view->selectedItem(), fifth);
        QCOMPARE(f.sidebar()->currentIndex().row(), 0);
        QCOMPARE(f.detail()->item(), fifth);
        QCOMPARE(f.detail()->textView()->fullText(), u"entry 3"_qs);
    }

    // A pin from the row's menu or the detail's toggle changes the row in place, in the same
    // order, and a second one takes it back.
    void pinningAnEntry_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("row menu") << true;
        QTest::newRow("detail pin") << false;
    }
    void pinningAnEntry()
    {
        QFETCH(bool, fromMenu);
        Fixture f;
        f.openWith({u"one"_qs, u"two"_qs, u"three"_qs}, 1);
        const ClipboardItemPtr two = f.view->selectedItem();
        QSignalSpy changed(f.model(), &QAbstractItemModel::dataChanged);
        QSignalSpy moved(f.model(), &QAbstractItemModel::rowsMoved);
        QPushButton *pin = f.detail()->pinButton();
        const auto toggle = [&](const QString &expectedText) {
            if (fromMenu) {
                std::unique_ptr<QMenu> menu(f.browser()->buildRowMenu(two, nullptr));
                QCOMPARE(menu->actions().size(), 1);
                QCOMPARE(menu->actions().first()->text(), expectedText);
                menu->actions().first()->trigger();
            } else {
                QCOMPARE(pin->text(), expectedText);
                QTest::mouseClick(pin, Qt::LeftButton);
            }
            settle();
        };
        toggle(u"Fixar"_qs);
        QVERIFY(two->isPinned());
        QVERIFY(f.model()->index(1).data(HistoryQueryModel::IsPinnedRole).toBool());
        QVERIFY(pin->isChecked());
        QCOMPARE(pin->text(), u"Desafixar"_qs);
        toggle(u"Desafixar"_qs);
        QVERIFY(!two->isPinned());
        QVERIFY(!pin->isChecked());
        QCOMPARE(f.titles(), (QStringList{u"three"_qs, u"two"_qs, u"one"_qs}));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(f.view->selectedItem(), two);
    }

    void ctrlCWithTextChosenInTheDetailCopiesThatText()
    {
        Fixture f;
        f.openWith({u"first"_qs, u"second"_qs}, 1);
        QPlainTextEdit *text = f.detail()->textView();
        text->setFocus();
        text->selectAll();
        QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
        settle();
        // The selection went to the clipboard through the editor, not as a copy-back.
        QCOMPARE(f.titles(), (QStringList{u"second"_qs, u"first"_qs}));
        QVERIFY(!f.harness.pasteboard.written());
    }

    void aLongTextIsReadWhenShownAndShownWhole_data()
    {
        QTest::addColumn<QString>("line"); // repeated until the text spans three slices
        QTest::newRow("many lines") << u"line of a long text \U0001F600\n"_qs;
        // One line: shown broken into lines, copied without the breaks, pairs kept whole.
        QTest::newRow("one line") << u"word \U0001F600 "_qs;
    }
    void aLongTextIsReadWhenShownAndShownWhole()
    {
        QFETCH(QString, line);
        Fixture f;
        QString text;
        while (text.size() < 3 * FullTextView::SliceUnits)
            text += line;
        f.harness.copyText(text);
        f.open();
        QVERIFY(!f.model()->itemAt(0)->isTextHeld());
        f.chooseRow(0);
        // Shown a slice at a time, the window answering between slices.
        QVERIFY(!f.detail()->isTextComplete());
        QTRY_VERIFY(f.detail()->isTextComplete());
        FullTextView *view = f.detail()->textView();
        QCOMPARE(view->fullText(), text);
        view->selectAll();
        QCOMPARE(view->selectedFullText(), text);
        QTextCursor part = view->textCursor();
        part.setPosition(FullTextView::LongestLine - 3);
        part.setPosition(3 * FullTextView::LongestLine + 7, QTextCursor::KeepAnchor);
        view->setTextCursor(part);
        const qsizetype breaks = line.contains(u'\n') ? 0 : 3; // the added breaks the part spans
        QCOMPARE(view->selectedFullText(), text.mid(FullTextView::LongestLine - 3, 2 * FullTextView::LongestLine + 10 - breaks));
    }

    void aLanguageChangeRebuildsAndKeepsTheChoice()
    {
        Fixture f;
        f.languages = std::make_unique<LanguageManager>(&f.harness.preferences);
        f.openWith({u"kept"_qs, u"other"_qs}, 1);
        const ClipboardItemPtr chosen = f.view->selectedItem();
        HistoryWindowBrowser *before = f.browser();
        f.languages->setLanguage(u"en"_qs);
        settle();
        QVERIFY(f.browser() != before);
        QCOMPARE(f.detail()->findChild<QPushButton *>(u"copyAgain"_qs)->text(), u"Copy Again (Ctrl+C)"_qs);
        QCOMPARE(f.view->selectedItem(), chosen);
        QCOMPARE(f.sidebar()->currentIndex().row(), 1);
        QCOMPARE(f.detail()->item(), chosen);
    }

    // One window of each kind at most, beside the others, as large as asked for within the screen
    // (the offscreen one is 800 x 600) and wide enough for its buttons in every language; a closed
    // one is forgotten and the next request starts afresh (the guide on its shortcut page).
    void theWindowManagerKeepsOneOfEach_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("language");
        for (const char *window : {"settings", "help"})
            QTest::addRow("%s", window) << QString::fromLatin1(window) << u"pt-BR"_qs;
        for (const char *language : {"pt-BR", "en", "es", "it", "ja"})
            QTest::addRow("history, %s", language) << u"history"_qs << QString::fromLatin1(language);
    }
    void theWindowManagerKeepsOneOfEach()
    {
        QFETCH(QString, window);
        QFETCH(QString, language);
        MonitorHarness harness;
        harness.copyText(u"an entry"_qs);
        LanguageManager languages(&harness.preferences);
        languages.setLanguage(language);
        WindowManager windows({&harness.preferences}, {harness.history.get(), &harness.workspace});
        QSignalSpy opened(&windows, &WindowManager::windowOpened);
        const auto open = [&] { return openWindow(windows, window); };
        const QPointer<QWidget> first = open();
        QVERIFY(first && QTest::qWaitForWindowExposed(first));
        const QSize ideal = window == u"settings" ? WindowManager::SettingsSize
            : window == u"help"                   ? WindowManager::HelpSize
                                                  : WindowManager::HistorySize;
        QVERIFY(first->width() >= ideal.boundedTo(QGuiApplication::primaryScreen()->availableSize()).width());
        // Another kind opens beside it, and closing that one leaves it.
        const QString other = window == u"settings" ? u"help"_qs : u"settings"_qs;
        openWindow(windows, other);
        QCOMPARE(open(), first.data());
        QCOMPARE(opened.count(), 2);
        shownWindow(windows, other)->close();
        settle();
        QCOMPARE(open(), first.data());
        if (auto *history = qobject_cast<HistoryWindow *>(first.data())) {
            history->setSelectedItem(harness.entries().first());
            settle();
            for (QPushButton *button : history->browser()->detail()->findChildren<QPushButton *>()) {
                const QRect inWindow(button->mapTo(history, QPoint()), button->size());
                QVERIFY2(button->width() >= button->sizeHint().width() && history->rect().contains(inWindow),
                         qPrintable(button->text()));
            }
        }
        if (auto *guide = qobject_cast<HelpView *>(first.data()))
            guide->navigateTo(HelpTopic::Welcome);
        first->close();
        settle();
        QVERIFY(!first);
        QVERIFY(open() && opened.count() == 3);
        if (auto *guide = qobject_cast<HelpView *>(open()))
            QCOMPARE(guide->history(), QList<HelpTopic>{HelpTopic::Shortcuts});
        languages.setLanguage(u"system"_qs);
    }

    // The detail by keyboard: Tab goes as the eye reads, one button looks chosen at a time, and a
    // long line wraps.
    void detailByKeyboardAndWrapped()
    {
        Fixture f;
        f.openWith({QString(u"a long line "_qs).repeated(200)}, 0);
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, (QStringList{u"historySidebar"_qs, u"fullText"_qs, u"copyAgain"_qs, u"pin"_qs, u"delete"_qs}));
        for (QPushButton *button : f.detail()->findChildren<QPushButton *>())
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
        QTRY_VERIFY(f.detail()->isTextComplete());
        QCOMPARE(f.detail()->textView()->horizontalScrollBar()->maximum(), 0);
    }

    // Kavla's keys work in each of its windows: Esc and Ctrl+W close it, Ctrl+, Ctrl+H and Ctrl+?
    // open the others, Ctrl+Q asks to quit.
    void keysInEveryWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("effect");
        const Qt::KeyboardModifiers none, ctrl = Qt::ControlModifier;
        for (const char *window : {"settings", "help", "history"}) {
            QTest::addRow("%s: Esc", window) << QString::fromLatin1(window) << int(Qt::Key_Escape) << none << u"closed"_qs;
            QTest::addRow("%s: Ctrl+W", window) << QString::fromLatin1(window) << int(Qt::Key_W) << ctrl << u"closed"_qs;
            QTest::addRow("%s: Ctrl+,", window) << QString::fromLatin1(window) << int(Qt::Key_Comma) << ctrl << u"settings"_qs;
            QTest::addRow("%s: Ctrl+H", window) << QString::fromLatin1(window) << int(Qt::Key_H) << ctrl << u"history"_qs;
            QTest::addRow("%s: Ctrl+?", window) << QString::fromLatin1(window) << int(Qt::Key_Question)
                                                << (ctrl | Qt::ShiftModifier) << u"help"_qs;
            QTest::addRow("%s: Ctrl+Q", window) << QString::fromLatin1(window) << int(Qt::Key_Q) << ctrl << u"quit"_qs;
        }
    }
    void keysInEveryWindow()
    {
        QFETCH(QString, window);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, effect);
        MonitorHarness harness;
        WindowManager windows({&harness.preferences}, {harness.history.get(), &harness.workspace});
        QSignalSpy quit(&windows, &WindowManager::quitRequested);
        const QPointer<QWidget> opened = openWindow(windows, window);
        QVERIFY(QTest::qWaitForWindowActive(opened));
        settle();
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus && opened->isAncestorOf(focus));
        QTest::keyClick(focus, Qt::Key(key), modifiers);
        settle();
        QCOMPARE(!opened, effect == u"closed");
        QCOMPARE(quit.count(), effect == u"quit" ? 1 : 0);
        for (const QString &kind : {u"settings"_qs, u"help"_qs, u"history"_qs})
            QCOMPARE(shownWindow(windows, kind) != nullptr, kind == window ? effect != u"closed" : kind == effect);
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "tst_historywindow.moc"
