// The user guide: its browsing history, the shortcut search, the pages left alone by a search,
// and the state kept across a language change.
#include "fakes/TestData.h"
#include "fakes/MemoryDefaultsStore.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"
#include "views/guide/HelpContent.h"
#include "views/guide/HelpView.h"
#include "views/widgets/SearchBar.h"
#include "views/widgets/SymbolButton.h"
#include "views/widgets/WindowRoot.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

Q_DECLARE_METATYPE(QList<HelpTopic>)

namespace {

using TestData::settle;

// The shown rows of the table, as their positions in the whole table (1-based).
QList<int> rowNumbers(const QList<ShortcutItem> &rows)
{
    const QList<ShortcutItem> all = HelpShortcuts::all();
    QList<int> numbers;
    for (const ShortcutItem &row : rows) {
        for (qsizetype index = 0; index < all.size(); ++index) {
            if (all.at(index).action == row.action)
                numbers << int(index + 1);
        }
    }
    return numbers;
}

} // namespace

class HelpViewTest : public QObject
{
    Q_OBJECT

    TestData::PortugueseTables m_tables;

private Q_SLOTS:
    void cleanup() { LocalizedAppBundle::setSelectedLanguage(u"system"_qs); }

    // Steps, separated by blanks: a topic's raw value navigates there, "<" goes back, ">" goes forward.
    void browsingHistory_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<HelpTopic>>("history");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("back");
        QTest::addColumn<bool>("forward");
        using T = HelpTopic;
        const auto row = [](const char *name, const QString &steps, const QList<T> &history, int index, bool back,
                            bool forward) {
            QTest::newRow(name) << steps.split(u' ', Qt::SkipEmptyParts) << history << index << back << forward;
        };
        row("at start", QString(), {T::Shortcuts}, 0, false, false);
        row("welcome", u"welcome"_qs, {T::Shortcuts, T::Welcome}, 1, true, false);
        row("welcome, back", u"welcome <"_qs, {T::Shortcuts, T::Welcome}, 0, false, true);
        row("welcome, back, forward", u"welcome < >"_qs, {T::Shortcuts, T::Welcome}, 1, true, false);
        row("back drops the forward part on the next topic", u"welcome < menuBar"_qs, {T::Shortcuts, T::MenuBar}, 1, true,
            false);
        row("the shown topic again is appended", u"shortcuts"_qs, {T::Shortcuts, T::Shortcuts}, 1, true, false);
        row("back and forward past the ends do nothing", u"< copyright > >"_qs, {T::Shortcuts, T::Copyright}, 1, true,
            false);
    }

    void browsingHistory()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<HelpTopic>, history);
        QFETCH(int, index);
        QFETCH(bool, back);
        QFETCH(bool, forward);
        HelpView view(nullptr, nullptr);
        for (const QString &step : steps) {
            if (step == u"<")
                view.goBack();
            else if (step == u">")
                view.goForward();
            else
                view.navigateTo(*HelpTopics::fromRawValue(step));
        }
        QCOMPARE(view.history(), history);
        QCOMPARE(view.historyIndex(), index);
        QCOMPARE(view.selectedTopic(), history.at(index));
        QCOMPARE(view.content()->pageTopic(), history.at(index));
        QCOMPARE(view.content()->backButton()->isEnabled(), back);
        QCOMPARE(view.content()->forwardButton()->isEnabled(), forward);
        QCOMPARE(view.content()->topicList()->currentItem()->text(), L(HelpTopics::title(history.at(index))));
    }

    void choosingInTheSidebarNavigates()
    {
        HelpView view(nullptr, nullptr);
        QListWidget *list = view.content()->topicList();
        // Rows: two topics, the "Guia do Kavla" header, four topics, the last topic below a gap.
        QCOMPARE(list->count(), 8);
        QCOMPARE(list->item(2)->text(), u"Guia do Kavla"_qs);
        QVERIFY(!(list->item(2)->flags() & Qt::ItemIsSelectable));
        QVERIFY(list->visualItemRect(list->item(7)).height() > list->visualItemRect(list->item(6)).height());
        // The arrow that cannot be used looks it.
        const QImage disabledBack = view.content()->backButton()->grab().toImage();
        list->setCurrentRow(7);
        QVERIFY(view.content()->backButton()->isEnabled());
        QVERIFY(view.content()->backButton()->grab().toImage() != disabledBack);
        QCOMPARE(view.selectedTopic(), HelpTopic::Copyright);
        QCOMPARE(view.history(), (QList<HelpTopic>{HelpTopic::Shortcuts, HelpTopic::Copyright}));
        list->setCurrentItem(nullptr);
        QCOMPARE(view.selectedTopic(), HelpTopic::Copyright);
    }

    // The rows found, as positions in the table shown in Portuguese with Linux keys.
    void shortcutSearch_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QList<int>>("rows");
        const QList<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
        QTest::newRow("empty") << QString() << all;
        QTest::newRow("blanks only") << u" \t "_qs << all;
        QTest::newRow("a line break is searched for") << u"\n"_qs << QList<int>{};
        QTest::newRow("Copiar and one blank") << u"Copiar "_qs << QList<int>{2, 3, 4, 5, 6, 8};
        QTest::newRow("Copiar and two blanks") << u"Copiar  "_qs << QList<int>{};
        QTest::newRow("Ctrl alone") << u"Ctrl"_qs << QList<int>{2, 3, 4, 5, 6, 10, 11, 12, 13};
        QTest::newRow("super in lower case") << u"super"_qs << QList<int>{1};
        QTest::newRow("esc") << u"esc"_qs << QList<int>{7, 8, 9}; // "Escolher", "escolhido", "Escape"
        QTest::newRow("nothing") << u"zzz"_qs << QList<int>{};
    }

    void shortcutSearch()
    {
        QFETCH(QString, search);
        QFETCH(QList<int>, rows);
        HelpView view(nullptr, nullptr);
        view.setSearchText(search);
        QCOMPARE(rowNumbers(view.filteredShortcuts()), rows);
        // The table keeps its header row whatever matches.
        QWidget *table = view.content()->page()->findChild<QWidget *>(u"shortcutTable"_qs);
        QVERIFY(table);
        QVERIFY(table->findChild<QLabel *>() && table->findChildren<QLabel *>().first()->text() == u"Ação"_qs);
        QCOMPARE(table->findChildren<QLabel *>(u"shortcutAction"_qs).size(), rows.size());
    }

    void searchingLeavesOtherPagesAlone()
    {
        HelpView view(nullptr, nullptr);
        view.navigateTo(HelpTopic::Welcome);
        QPointer<QWidget> page = view.content()->page();
        QTest::keyClicks(view.content()->searchBar()->field(), u"painel"_qs);
        QCOMPARE(view.searchText(), u"painel"_qs);
        QCOMPARE(view.content()->page(), page.data());
        view.goBack();
        const QList<QLabel *> actions = view.content()->page()->findChildren<QLabel *>(u"shortcutAction"_qs);
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first()->text(), u"Fechar o painel de histórico"_qs);
    }

    void aLanguageChangeKeepsTheGuidesState()
    {
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        LanguageManager languages(&preferences);
        HelpView view(&languages, nullptr);
        view.navigateTo(HelpTopic::Settings);
        view.setSearchText(u"Ctrl"_qs);
        QPointer<HelpContent> before = view.content();
        languages.setLanguage(u"en"_qs);
        settle();
        QVERIFY(!before);
        QCOMPARE(view.root()->identity(), u"en-system"_qs);
        QCOMPARE(view.windowTitle(), u"Kavla User Guide"_qs);
        QCOMPARE(view.content()->pageTopic(), HelpTopic::Settings);
        QCOMPARE(view.content()->searchBar()->text(), u"Ctrl"_qs);
        QCOMPARE(view.content()->topicList()->currentItem()->text(), u"Capacity and Settings"_qs);
        QVERIFY(view.canGoBack());
    }
};

QTEST_MAIN(HelpViewTest)
#include "tst_helpview.moc"
