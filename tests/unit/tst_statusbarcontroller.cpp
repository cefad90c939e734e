// The tray item's controller: the key monitor's decision for every modifier combination, the
// popup toggling and its single key monitor, quick selection through real key presses, and the
// context menu's entries.
#include "fakes/MemoryDefaultsStore.h"
#include "services/KeyMonitor.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/QuickSelectKeys.h"
#include "services/StatusBarController.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/ContextMenu.h"
#include "views/HistoryPopoverView.h"
#include "views/PopoverWindow.h"
#include "views/SearchBar.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using Action = QuickSelectKeys::Action;
Q_DECLARE_METATYPE(Action)

namespace {

ClipboardItemPtr text(const QString &value, int secondsAfterT0)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC).addSecs(secondsAfterT0);
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, ClipboardItem::TextType, value,
                                           std::nullopt, std::nullopt, QString(), QString(), 0, 0, 0, 0, false);
}

} // namespace

class StatusBarControllerTest : public QObject
{
    Q_OBJECT

private:
    // A configured controller over a fresh store holding `count` entries, "entry 1" newest.
    std::unique_ptr<StatusBarController> makeController(int count)
    {
        QString error;
        m_store = ModelContainer::open(m_dir.filePath(QStringLiteral("h%1.sqlite").arg(++m_stores)), &error);
        for (int i = count; i >= 1; --i)
            m_store->mainContext()->insert(text(QStringLiteral("entry %1").arg(i), -i));
        m_store->mainContext()->save();
        auto controller = std::make_unique<StatusBarController>();
        controller->configure(m_store.get());
        m_copies.clear();
        controller->setCopyItemToPasteboard([this](const ClipboardItemPtr &item, ModelContext *) {
            m_copies << *item->textContent();
        });
        return controller;
    }

private Q_SLOTS:
    void decide_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("index");

        const Qt::KeyboardModifiers none;
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+1") << int(Qt::Key_1) << ctrl << Action::Select << 0;
        QTest::newRow("Ctrl+5") << int(Qt::Key_5) << ctrl << Action::Select << 4;
        QTest::newRow("Ctrl+9") << int(Qt::Key_9) << ctrl << Action::Select << 8;
        QTest::newRow("Ctrl+0") << int(Qt::Key_0) << ctrl << Action::Select << 9;
        QTest::newRow("Ctrl+Arabic-Indic 3") << 0x0663 << ctrl << Action::Select << 2;
        QTest::newRow("Ctrl+keypad 1") << int(Qt::Key_1) << (ctrl | Qt::KeypadModifier) << Action::PassThrough << -1;
        QTest::newRow("Ctrl+Shift+1") << int(Qt::Key_1) << (ctrl | Qt::ShiftModifier) << Action::PassThrough << -1;
        QTest::newRow("Ctrl+Alt+1") << int(Qt::Key_1) << (ctrl | Qt::AltModifier) << Action::PassThrough << -1;
        QTest::newRow("Ctrl+Meta+1") << int(Qt::Key_1) << (ctrl | Qt::MetaModifier) << Action::PassThrough << -1;
        QTest::newRow("Ctrl+AltGr+1") << int(Qt::Key_1) << (ctrl | Qt::GroupSwitchModifier) << Action::PassThrough << -1;
        QTest::newRow("Alt+1") << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::AltModifier) << Action::PassThrough << -1;
        QTest::newRow("Meta+1") << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::MetaModifier) << Action::PassThrough << -1;
        QTest::newRow("1 alone") << int(Qt::Key_1) << none << Action::PassThrough << -1;
        QTest::newRow("keypad 1 alone") << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::KeypadModifier) << Action::PassThrough << -1;
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << Action::PassThrough << -1;
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << Action::PassThrough << -1;
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << ctrl << Action::PassThrough << -1;
        QTest::newRow("Ctrl+F1") << int(Qt::Key_F1) << ctrl << Action::PassThrough << -1;
        QTest::newRow("Ctrl alone") << int(Qt::Key_Control) << ctrl << Action::PassThrough << -1;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << none << Action::Close << -1;
        QTest::newRow("Shift+Escape") << int(Qt::Key_Escape) << Qt::KeyboardModifiers(Qt::ShiftModifier) << Action::Close << -1;
        QTest::newRow("Ctrl+Escape") << int(Qt::Key_Escape) << ctrl << Action::Close << -1;
    }

    void decide()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(Action, action);
        QFETCH(int, index);
        const QuickSelectKeys decision = QuickSelectKeys::decide(key, modifiers);
        QCOMPARE(decision.action, action);
        QCOMPARE(decision.index, index);
    }

    void toggleKeepsOneKeyMonitor()
    {
        auto controller = makeController(1);
        QCOMPARE(KeyMonitor::installedCount(), 0);
        controller->togglePopover();
        QVERIFY(controller->isPopoverShown());
        QCOMPARE(KeyMonitor::installedCount(), 1);
        controller->showPopover();
        QCOMPARE(KeyMonitor::installedCount(), 1);
        controller->togglePopover();
        QVERIFY(!controller->isPopoverShown());
        QCOMPARE(KeyMonitor::installedCount(), 0);

        // Disappearing by other means (a click outside) removes the monitor too.
        controller->showPopover();
        controller->popover()->hide();
        QCOMPARE(KeyMonitor::installedCount(), 0);
        QVERIFY(!controller->hasKeyMonitor());
    }

    void clickThatClosedThePopupDoesNotReopenIt()
    {
        auto controller = makeController(1);
        controller->statusItemClicked(QSystemTrayIcon::Trigger, {});
        QVERIFY(controller->isPopoverShown());
        // A press outside the popup, on the icon: Qt closes the popup, then the icon reports it.
        controller->popover()->hide();
        controller->statusItemClicked(QSystemTrayIcon::Trigger, {});
        QVERIFY(!controller->isPopoverShown());
        // A later click is a new one.
        QTest::qWait(350);
        controller->statusItemClicked(QSystemTrayIcon::Trigger, {});
        QVERIFY(controller->isPopoverShown());
        // The hot key is never taken for the tail of a click.
        controller->closePopover();
        controller->togglePopover();
        QVERIFY(controller->isPopoverShown());
        controller->closePopover();
    }

    void keysWhileThePopupIsHiddenAreIgnored()
    {
        auto controller = makeController(3);
        int calls = 0;
        controller->onSelectIndexRequested = [&](int) { ++calls; };
        QVERIFY(!controller->handleKeyPress(Qt::Key_1, Qt::ControlModifier));
        QVERIFY(!controller->handleKeyPress(Qt::Key_Escape, {}));
        QCOMPARE(calls, 0);
    }

    void quickSelectThroughKeyPresses_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("copied"); // empty: nothing copied
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<QString>("searchText");

        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+3 of three") << 3 << int(Qt::Key_3) << ctrl << QStringLiteral("entry 3") << false << QString();
        QTest::newRow("Ctrl+3 of two") << 2 << int(Qt::Key_3) << ctrl << QString() << true << QString();
        QTest::newRow("Ctrl+0 of ten") << 10 << int(Qt::Key_0) << ctrl << QStringLiteral("entry 10") << false << QString();
        QTest::newRow("Ctrl+1 of none") << 0 << int(Qt::Key_1) << ctrl << QString() << true << QString();
        QTest::newRow("1 types into the search") << 3 << int(Qt::Key_1) << Qt::KeyboardModifiers() << QString() << true
                                                 << QStringLiteral("1");
        // Not a quick selection: the line edit takes the keypad digit as typing.
        QTest::newRow("keypad Ctrl+1 passes") << 3 << int(Qt::Key_1) << (ctrl | Qt::KeypadModifier) << QString() << true
                                              << QStringLiteral("1");
        QTest::newRow("Ctrl+Shift+1 passes") << 3 << int(Qt::Key_1) << (ctrl | Qt::ShiftModifier) << QString() << true
                                             << QString();
        QTest::newRow("Escape closes") << 3 << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << QString() << false
                                       << QString();
    }

    void quickSelectThroughKeyPresses()
    {
        QFETCH(int, rows);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, copied);
        QFETCH(bool, staysOpen);
        QFETCH(QString, searchText);

        auto controller = makeController(rows);
        controller->showPopover();
        QVERIFY(QTest::qWaitForWindowExposed(controller->popover()));
        HistoryPopoverView *view = controller->historyView();
        QVERIFY(view);
        QVERIFY(controller->onSelectIndexRequested); // installed when the view came on screen
        QTest::keyClick(view->searchBar()->field(), Qt::Key(key), modifiers);
        QCOMPARE(m_copies, copied.isEmpty() ? QStringList() : QStringList{copied});
        QCOMPARE(controller->isPopoverShown(), staysOpen);
        QCOMPARE(view->searchText(), searchText);
        controller->closePopover();
    }

    void contextMenuEntries()
    {
        auto controller = makeController(0);
        QWidget owner;
        QMenu *menu = controller->buildContextMenu(&owner);
        QStringList rows;
        for (QAction *action : menu->actions()) {
            rows << (action->isSeparator() ? QStringLiteral("---")
                                           : action->text() + u'|' + action->shortcut().toString() + u'|'
                                                 + (action->isEnabled() ? u"on"_qs : u"off"_qs));
        }
        // The default Portuguese texts (no string table is installed in this test).
        QCOMPARE(rows, (QStringList{u"Kavla||off"_qs, u"---"_qs, u"Abrir Histórico||on"_qs, u"---"_qs,
                                    u"Ajustes...|Ctrl+,|on"_qs, u"Guia do Usuário...|Ctrl+?|on"_qs, u"---"_qs,
                                    u"Encerrar Kavla|Ctrl+Q|on"_qs}));
        menu->actions().at(2)->trigger();
        QVERIFY(controller->isPopoverShown());
        controller->closePopover();
    }

    void contextMenuKeyEquivalents_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("entry"); // empty: none
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+,") << int(Qt::Key_Comma) << ctrl << QStringLiteral("Ajustes...");
        QTest::newRow("Ctrl+? typed with Shift") << int(Qt::Key_Question) << (ctrl | Qt::ShiftModifier)
                                                 << QStringLiteral("Guia do Usuário...");
        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << ctrl << QStringLiteral("Encerrar Kavla");
        QTest::newRow("Ctrl+Alt+Q") << int(Qt::Key_Q) << (ctrl | Qt::AltModifier) << QString();
        QTest::newRow("Q alone") << int(Qt::Key_Q) << Qt::KeyboardModifiers() << QString();
    }

    void contextMenuKeyEquivalents()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, entry);
        auto controller = makeController(0);
        QWidget owner;
        auto *menu = qobject_cast<ContextMenu *>(controller->buildContextMenu(&owner));
        QVERIFY(menu);
        QAction *action = menu->actionForKey(key, modifiers);
        QCOMPARE(action ? action->text() : QString(), entry);
    }

    void clicksOnTheTrayItem_data()
    {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("popupShown");
        QTest::newRow("plain click") << QSystemTrayIcon::Trigger << Qt::KeyboardModifiers() << true;
        QTest::newRow("Ctrl+click") << QSystemTrayIcon::Trigger << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
        QTest::newRow("right click") << QSystemTrayIcon::Context << Qt::KeyboardModifiers() << false;
        QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << Qt::KeyboardModifiers() << false;
    }

    void clicksOnTheTrayItem()
    {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, popupShown);
        auto controller = makeController(1);
        controller->statusItemClicked(reason, modifiers);
        QCOMPARE(controller->isPopoverShown(), popupShown);
        QMenu *menu = controller->popover()->findChild<QMenu *>();
        QCOMPARE(menu && menu->isVisible(), !popupShown && reason != QSystemTrayIcon::MiddleClick);
        if (menu)
            menu->hide();
        controller->closePopover();
    }

    void languageChangeRebuildsThePopup()
    {
        MemoryDefaultsStore defaults;
        LocalizedAppBundle bundle(QStringLiteral(KAVLA_SOURCE_DIR "/resources"), QStringList{});
        LanguageManager languages(&defaults, &bundle);
        LanguageManager::setShared(&languages);
        auto controller = makeController(2);
        controller->showPopover();
        HistoryPopoverView *before = controller->historyView();
        before->setSearchText(QStringLiteral("entry"));
        QCOMPARE(before->searchBar()->field()->placeholderText(), QStringLiteral("Buscar no histórico..."));

        languages.setLanguage(QStringLiteral("en"));
        HistoryPopoverView *after = controller->historyView();
        QVERIFY(after != before);
        QCOMPARE(after->searchText(), QString());
        QCOMPARE(after->searchBar()->field()->placeholderText(), QStringLiteral("Search history..."));
        // The rebuilt content took over the quick selection.
        QVERIFY(controller->handleKeyPress(Qt::Key_2, Qt::ControlModifier));
        QCOMPARE(m_copies, QStringList{u"entry 2"_qs});

        languages.setLanguage(QStringLiteral("system"));
        LanguageManager::setShared(nullptr);
    }

    void popupIsPlacedUnderTheIconOnScreen_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("icon at the top right") << QRect(1250, 0, 24, 24) << QRect(894, 28, 382, 532);
        QTest::newRow("icon at the top middle") << QRect(628, 0, 24, 24) << QRect(448, 28, 382, 532);
        QTest::newRow("icon at the bottom left") << QRect(10, 776, 24, 24) << QRect(4, 240, 382, 532);
    }

    void popupIsPlacedUnderTheIconOnScreen()
    {
        QFETCH(QRect, anchor);
        QFETCH(QRect, expected);
        QCOMPARE(PopoverWindow::placement(anchor, QSize(382, 532), QRect(0, 0, 1280, 800)), expected);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ModelContainer> m_store;
    int m_stores = 0;
    QStringList m_copies;
};

QTEST_MAIN(StatusBarControllerTest)
#include "tst_statusbarcontroller.moc"
