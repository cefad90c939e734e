// The tray item's controller: the key monitor's decision for every modifier combination, the
// popup toggling and its single key monitor, quick selection through real key presses, the
// context menu's entries, and where the popup is placed.
#include "fakes/MonitorHarness.h"
#include "fakes/TestData.h"
#include "platform/TrayHost.h"
#include "services/KeyMonitor.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/QuickSelectKeys.h"
#include "shell/StatusBarController.h"
#include "store/HistoryQueryModel.h"
#include "views/popup/HistoryPopoverView.h"
#include "views/popup/PopoverWindow.h"
#include "views/widgets/ContextMenu.h"
#include "views/widgets/SearchBar.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QMenu>
#include <QtTest>

using Action = QuickSelectKeys::Action;

// A tray host that is found when the test says so.
class FakeTrayHost : public TrayHost
{
public:
    void watch() override { ++watches; }
    int watches = 0;
};
Q_DECLARE_METATYPE(Action)

class StatusBarControllerTest : public QObject
{
    Q_OBJECT

private:
    // A configured controller over a fresh store holding `count` entries, "entry 1" newest, built
    // with the services it runs with: the history service copies chosen entries back to a fake
    // clipboard. With `hostMenu`, the tray host is to show the menu. The windows it asks for are
    // noted in m_requests.
    std::unique_ptr<StatusBarController> makeController(int count, LanguageManager *languages = nullptr,
                                                        bool hostMenu = false)
    {
        m_harness = std::make_unique<MonitorHarness>();
        const QDateTime t0 = QDateTime::currentDateTimeUtc().addSecs(-600);
        for (int i = 1; i <= count; ++i)
            m_harness->context()->insert(TestData::entry(ClipboardItem::TextType, u"entry %1"_qs.arg(i), t0.addSecs(-i)));
        m_harness->context()->save();
        auto controller = std::make_unique<StatusBarController>(m_harness->history.get(), &m_preferences, languages, nullptr);
        controller->setMenuShownByTrayHost(hostMenu);
        controller->configure();
        m_requests.clear();
        connect(controller.get(), &StatusBarController::settingsRequested, this, [this] { m_requests << u"settings"_qs; });
        connect(controller.get(), &StatusBarController::helpRequested, this, [this] { m_requests << u"help"_qs; });
        connect(controller.get(), &StatusBarController::historyWindowRequested, this, [this] { m_requests << u"history"_qs; });
        return controller;
    }

    // The texts copied back to the clipboard so far (the last write's).
    QStringList copies() const
    {
        if (!m_harness || m_harness->pasteboard.writeCount() == 0)
            return {};
        return {m_harness->pasteboard.written()->text()};
    }

private Q_SLOTS:
    void decide_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("keyCode"); // the X key code; 0: the platform gives none
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("index");

        const Qt::KeyboardModifiers none;
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        // The digit row by its key codes, whatever the layout makes of it.
        QTest::newRow("Ctrl+1") << int(Qt::Key_1) << 10 << ctrl << Action::Select << 0;
        QTest::newRow("Ctrl+0") << int(Qt::Key_0) << 19 << ctrl << Action::Select << 9;
        QTest::newRow("fr: Ctrl+& key") << int(Qt::Key_Ampersand) << 10 << ctrl << Action::Select << 0;
        QTest::newRow("fr: Ctrl+à key") << int(Qt::Key_Agrave) << 19 << ctrl << Action::Select << 9;
        QTest::newRow("fr, Caps Lock: Ctrl+É key") << int(Qt::Key_Eacute) << 11 << ctrl << Action::Select << 1;
        QTest::newRow("fr: Ctrl+Shift+& key") << int(Qt::Key_1) << 10 << (ctrl | Qt::ShiftModifier) << Action::PassThrough << -1;
        QTest::newRow("Num Lock: Ctrl+keypad 2") << int(Qt::Key_2) << 88 << (ctrl | Qt::KeypadModifier) << Action::PassThrough << -1;
        QTest::newRow("Ctrl+AltGr+1") << int(Qt::Key_1) << 10 << (ctrl | Qt::GroupSwitchModifier) << Action::PassThrough << -1;
        QTest::newRow("1 alone") << int(Qt::Key_1) << 10 << none << Action::PassThrough << -1;
        // Without a key code the character decides.
        QTest::newRow("no code: Ctrl+3") << int(Qt::Key_3) << 0 << ctrl << Action::Select << 2;
        QTest::newRow("no code: Ctrl+Arabic-Indic 3") << 0x0663 << 0 << ctrl << Action::Select << 2;
        QTest::newRow("no code: Ctrl+&") << int(Qt::Key_Ampersand) << 0 << ctrl << Action::PassThrough << -1;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 9 << none << Action::Close << -1;
        QTest::newRow("Ctrl+Shift+Escape") << int(Qt::Key_Escape) << 9 << (ctrl | Qt::ShiftModifier) << Action::Close << -1;
    }

    void decide()
    {
        QFETCH(int, key);
        QFETCH(int, keyCode);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(Action, action);
        QFETCH(int, index);
        const QuickSelectKeys decision = QuickSelectKeys::decide(key, quint32(keyCode), modifiers);
        QCOMPARE(decision.action, action);
        QCOMPARE(decision.index, index);
    }

    void toggleKeepsOneKeyMonitor()
    {
        auto controller = makeController(1);
        QCOMPARE(KeyMonitor::installedCount(), 0);
        controller->togglePopover();
        controller->showPopover();
        QVERIFY(controller->isPopoverShown());
        QCOMPARE(KeyMonitor::installedCount(), 1);
        controller->togglePopover();
        QVERIFY(!controller->isPopoverShown());
        QCOMPARE(KeyMonitor::installedCount(), 0);

        // Disappearing by other means (a click outside) removes the monitor too.
        controller->showPopover();
        controller->popover()->hide();
        QCOMPARE(KeyMonitor::installedCount(), 0);

        // While the popup is hidden, keys are not taken.
        int calls = 0;
        connect(controller.get(), &StatusBarController::selectIndexRequested, this, [&] { ++calls; });
        QVERIFY(!controller->handleKeyPress(Qt::Key_1, 10, Qt::ControlModifier));
        QVERIFY(!controller->handleKeyPress(Qt::Key_Escape, 9, {}));
        QCOMPARE(calls, 0);
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
    }

    void quickSelectThroughKeyPresses_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("copied"); // empty: nothing copied, the popup stays
        QTest::addColumn<QString>("searchText");

        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+3 of three") << 3 << int(Qt::Key_3) << ctrl << u"entry 3"_qs << QString();
        QTest::newRow("Ctrl+3 of two") << 2 << int(Qt::Key_3) << ctrl << QString() << QString();
        QTest::newRow("Ctrl+0 of ten") << 10 << int(Qt::Key_0) << ctrl << u"entry 10"_qs << QString();
        // Not a quick selection: the search field takes the digit as typing.
        QTest::newRow("keypad Ctrl+1 types") << 3 << int(Qt::Key_1) << (ctrl | Qt::KeypadModifier) << QString() << u"1"_qs;
    }

    void quickSelectThroughKeyPresses()
    {
        QFETCH(int, rows);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, copied);
        QFETCH(QString, searchText);

        auto controller = makeController(rows);
        controller->showPopover();
        QVERIFY(QTest::qWaitForWindowExposed(controller->popover()));
        HistoryPopoverView *view = controller->historyView();
        QVERIFY(view);
        QTest::keyClick(view->searchBar()->field(), Qt::Key(key), modifiers);
        QCOMPARE(copies(), copied.isEmpty() ? QStringList() : QStringList{copied});
        QCOMPARE(controller->isPopoverShown(), copied.isEmpty());
        QCOMPARE(view->searchText(), searchText);
    }

    // While the popup is shown: Esc closes the clear-all question before the popup, and leaves a
    // row's menu to close itself; Kavla's own keys do what the tray menu's entries do.
    void keysWhileThePopupIsShown_data()
    {
        QTest::addColumn<QString>("opened"); // what is open over the list: "", "question", "menu"
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("consumed");
        QTest::addColumn<QString>("effect");
        QTest::addColumn<bool>("popupShown");
        QTest::addColumn<bool>("asking");

        const Qt::KeyboardModifiers none, ctrl = Qt::ControlModifier;
        const QString question = u"question"_qs;
        QTest::newRow("Esc") << QString() << int(Qt::Key_Escape) << none << true << QString() << false << false;
        QTest::newRow("Esc with the question") << question << int(Qt::Key_Escape) << none << true << QString() << true << false;
        QTest::newRow("Ctrl+2 with the question") << question << int(Qt::Key_2) << ctrl << true << QString() << true << true;
        QTest::newRow("Esc with a row menu") << u"menu"_qs << int(Qt::Key_Escape) << none << false << QString() << true << false;
        QTest::newRow("Ctrl+,") << QString() << int(Qt::Key_Comma) << ctrl << true << u"settings"_qs << true << false;
        QTest::newRow("Ctrl+H") << QString() << int(Qt::Key_H) << ctrl << true << u"history"_qs << true << false;
        QTest::newRow("Ctrl+? typed with Shift") << QString() << int(Qt::Key_Question) << (ctrl | Qt::ShiftModifier) << true
                                                 << u"help"_qs << true << false;
        QTest::newRow("Ctrl+W") << QString() << int(Qt::Key_W) << ctrl << true << QString() << false << false;
        QTest::newRow("Ctrl+Q") << QString() << int(Qt::Key_Q) << ctrl << true << QString() << false << false;
        QTest::newRow("Ctrl+Shift+H passes") << QString() << int(Qt::Key_H) << (ctrl | Qt::ShiftModifier) << false << QString()
                                             << true << false;
    }

    void keysWhileThePopupIsShown()
    {
        QFETCH(QString, opened);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, consumed);
        QFETCH(QString, effect);
        QFETCH(bool, popupShown);
        QFETCH(bool, asking);
        auto controller = makeController(3);
        controller->showPopover();
        QVERIFY(QTest::qWaitForWindowExposed(controller->popover()));
        HistoryPopoverView *view = controller->historyView();
        std::unique_ptr<QMenu> menu;
        if (opened == u"question")
            view->showClearConfirmation();
        if (opened == u"menu") {
            menu.reset(view->buildRowMenu(0, view));
            menu->popup(QPoint(10, 10));
            QVERIFY(QTest::qWaitForWindowExposed(menu.get()));
        }
        QCOMPARE(controller->handleKeyPress(key, 0, modifiers), consumed);
        QCOMPARE(m_requests, effect.isEmpty() ? QStringList() : QStringList{effect});
        QCOMPARE(controller->isPopoverShown(), popupShown);
        QCOMPARE(view->isAsking(), asking);
        QVERIFY(copies().isEmpty());
    }

    void contextMenuEntries_data()
    {
        QTest::addColumn<QString>("entry"); // chosen by its text; empty: by its key equivalent
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("effect"); // empty: none

        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Abrir Histórico") << u"Abrir Histórico"_qs << 0 << ctrl << u"popup"_qs;
        QTest::newRow("Ctrl+H") << QString() << int(Qt::Key_H) << ctrl << u"history"_qs;
        // The menu's Ctrl+, and Ctrl+? are typed on a real display by tst_e2e_popup.
        QTest::newRow("Ctrl+Alt+,") << QString() << int(Qt::Key_Comma) << (ctrl | Qt::AltModifier) << QString();
    }

    void contextMenuEntries()
    {
        QFETCH(QString, entry);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, effect);
        auto controller = makeController(0);
        QWidget owner;
        auto *menu = qobject_cast<ContextMenu *>(controller->buildContextMenu(&owner));
        QVERIFY(menu);
        QAction *action = key ? menu->actionForKey(key, modifiers) : nullptr;
        for (QAction *candidate : menu->actions())
            action = !key && candidate->text() == entry ? candidate : action;
        if (action)
            action->trigger();
        if (controller->isPopoverShown())
            m_requests << u"popup"_qs;
        QCOMPARE(m_requests, effect.isEmpty() ? QStringList() : QStringList{effect});
    }

    void clicksOnTheTrayItem_data()
    {
        QTest::addColumn<bool>("hostMenu");
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("popupShown");
        QTest::addColumn<bool>("menuShown");
        const Qt::KeyboardModifiers none, ctrl = Qt::ControlModifier;
        QTest::newRow("plain click") << false << QSystemTrayIcon::Trigger << none << true << false;
        QTest::newRow("Ctrl+click") << false << QSystemTrayIcon::Trigger << ctrl << false << true;
        QTest::newRow("right click") << false << QSystemTrayIcon::Context << none << false << true;
        QTest::newRow("middle click") << false << QSystemTrayIcon::MiddleClick << none << false << false;
        // The host draws the attached menu: Kavla opens none of its own.
        QTest::newRow("host menu: plain click") << true << QSystemTrayIcon::Trigger << none << true << false;
        QTest::newRow("host menu: Ctrl+click") << true << QSystemTrayIcon::Trigger << ctrl << true << false;
        QTest::newRow("host menu: right click") << true << QSystemTrayIcon::Context << none << false << false;
    }

    void clicksOnTheTrayItem()
    {
        QFETCH(bool, hostMenu);
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, popupShown);
        QFETCH(bool, menuShown);
        auto controller = makeController(1, nullptr, hostMenu);
        controller->statusItemClicked(reason, modifiers);
        QCOMPARE(controller->isPopoverShown(), popupShown);
        QMenu *menu = controller->popover()->findChild<QMenu *>();
        QCOMPARE(menu && menu->isVisible(), menuShown);
        QCOMPARE(controller->statusItem()->contextMenu() != nullptr, hostMenu);
    }

    // Qt looks for a bus tray host once, when the first tray item is made: none is made before.
    void trayItemWaitsForItsHost()
    {
        FakeTrayHost host;
        StatusBarController controller(nullptr, &m_preferences, nullptr, nullptr);
        controller.setTrayHost(&host);
        controller.configure();
        controller.configure();
        QCOMPARE(host.watches, 1);
        Q_EMIT host.absent();
        QVERIFY(!controller.statusItem());
        // The hot key and a second launch open the popup meanwhile.
        controller.togglePopover();
        QVERIFY(controller.isPopoverShown());
        controller.closePopover();
        Q_EMIT host.found();
        QVERIFY(controller.statusItem());
        QSystemTrayIcon *item = controller.statusItem();
        Q_EMIT host.found();
        QCOMPARE(controller.statusItem(), item);
    }

    void languageChangeRebuildsThePopup()
    {
        LocalizedAppBundle bundle(QStringLiteral(KAVLA_SOURCE_DIR "/resources"), QStringList{});
        LanguageManager languages(&m_preferences, &bundle);
        auto controller = makeController(2, &languages, true);
        controller->showPopover();
        HistoryPopoverView *before = controller->historyView();
        before->setSearchText(u"entry"_qs);
        languages.setLanguage(u"en"_qs);
        HistoryPopoverView *after = controller->historyView();
        QVERIFY(after != before);
        QCOMPARE(after->searchText(), QString());
        QCOMPARE(after->searchBar()->field()->placeholderText(), u"Search history…"_qs);
        // The rebuilt content took over the quick selection.
        QVERIFY(controller->handleKeyPress(Qt::Key_2, 0, Qt::ControlModifier));
        QCOMPARE(copies(), QStringList{u"entry 2"_qs});
        // The copy-back moved the entry to the top of the shared history.
        QCOMPARE(*m_harness->container->historyModel()->itemAt(0)->textContent(), u"entry 2"_qs);
        // So did the menu the tray host shows.
        QCOMPARE(controller->statusItem()->contextMenu()->actions().at(2)->text(), u"Open History"_qs);

        languages.setLanguage(QStringLiteral("system"));
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

    // A laptop's 1366 x 768 at 200 % leaves 683 x 384 points: the popup gives up height to stay
    // whole on screen, and takes it back on a larger one.
    void popupFitsASmallScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("height");
        QTest::newRow("1366 x 768 at 200 %") << QRect(0, 0, 683, 384) << 384 - 8;
        QTest::newRow("1280 x 800") << QRect(0, 0, 1280, 800) << HistoryPopoverView::Height + 2;
    }

    void popupFitsASmallScreen()
    {
        QFETCH(QRect, available);
        QFETCH(int, height);
        auto controller = makeController(30);
        PopoverWindow *popup = controller->popover();
        popup->fitInto(QRect(0, 0, 683, 384));
        popup->fitInto(available);
        QCOMPARE(popup->sizeHint().height(), height);
        const QRect placed = PopoverWindow::placement(QRect(available.right() - 30, 0, 24, 24), popup->sizeHint(), available);
        QVERIFY(available.contains(placed));
        popup->show();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QCOMPARE(popup->height(), height);
        QVERIFY(controller->historyView()->listView()->height() > 100);
    }

private:
    MemoryDefaultsStore m_defaults;
    Preferences m_preferences{&m_defaults};
    std::unique_ptr<MonitorHarness> m_harness;
    QStringList m_requests;
};

QTEST_MAIN(StatusBarControllerTest)
#include "tst_statusbarcontroller.moc"
