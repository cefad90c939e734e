// The tray item, the history popup and the global hot key with the real binary on a private
// display with a window manager and a tray host; and the history window the tray menu opens.
#include "support/KavlaProcess.h"
#include "support/VirtualDisplay.h"

#include <QScopeGuard>
#include <QTest>

namespace {

const QString Shown = u"history popup shown"_qs;
const QString Closed = u"history popup closed"_qs;
const QString MenuShown = u"context menu shown"_qs;
const QString RefusedGrab = u"Erro ao registrar atalho global: "_qs;

} // namespace

class PopupTest : public QObject
{
    Q_OBJECT

private:
    void click(QPoint at, int button = 1)
    {
        m_display.runLine(u"xdotool mousemove %1 %2 click %3"_qs.arg(at.x()).arg(at.y()).arg(button));
    }
    void key(const QString &keys) { m_display.runLine(u"xdotool key "_qs + keys); }
    QString clipboard() { return m_display.runLine(u"xclip -o -selection clipboard"_qs); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_display.start(VirtualDisplay::Options{true, true}), "Xvfb, openbox or trayer did not start");
    }

    void trayClicksToggleThePopupAndOpenTheMenu()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        const QPoint icon = m_display.waitForTrayIcon();
        QVERIFY2(!icon.isNull(), "no tray icon");

        click(icon);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        click(icon);
        QVERIFY2(kavla.waitForCount(Closed, 1), qPrintable(kavla.errors()));
        QTest::qWait(400); // a new click, not the tail of the closing one
        click(icon);
        QVERIFY(kavla.waitForCount(Shown, 2));
        click(QPoint(200, 600)); // outside the popup
        QVERIFY(kavla.waitForCount(Closed, 2));

        // The right click shows the menu instead; afterwards a plain click toggles again.
        QTest::qWait(400);
        click(icon, 3);
        QVERIFY(kavla.waitForCount(MenuShown, 1));
        QCOMPARE(kavla.errors().count(Shown), 2);
        key(u"Escape"_qs);
        QVERIFY(kavla.waitForCount(u"context menu closed"_qs, 1));
        click(icon);
        QVERIFY(kavla.waitForCount(Shown, 3));
        key(u"Escape"_qs);
        QVERIFY(kavla.waitForCount(Closed, 3));

        // The menu's Ctrl+Q quits through the termination sequence.
        click(icon, 3);
        QVERIFY(kavla.waitForCount(MenuShown, 2));
        key(u"ctrl+q"_qs);
        QCOMPARE(kavla.waitForExit(20000), 0);
        QVERIFY(kavla.errors().contains(u"stopped"_qs));
    }

    void hotKeyToggles()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));

        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        key(u"super+shift+v"_qs); // while the popup holds the keyboard
        QVERIFY(kavla.waitForCount(Closed, 1));

        // NumLock and CapsLock on do not change the combination.
        key(u"Num_Lock Caps_Lock super+shift+v"_qs);
        QVERIFY(kavla.waitForCount(Shown, 2));
        key(u"Escape Num_Lock Caps_Lock"_qs);
        QVERIFY(kavla.waitForCount(Closed, 2));

        // On Dvorak, V sits on another key: the grab must move with it.
        int status = -1;
        m_display.runLine(u"setxkbmap -layout us -variant dvorak"_qs, &status);
        QCOMPARE(status, 0);
        QVERIFY2(kavla.waitForOutput(u"global hot key taken again"_qs), qPrintable(kavla.errors()));
        key(u"super+shift+v"_qs);
        const bool followed = kavla.waitForCount(Shown, 3);
        m_display.runLine(u"setxkbmap -layout us"_qs);
        QVERIFY2(followed, qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

    // Kavla is in front while its popup is shown, and not a moment longer: a copy made in the
    // popup's search field is its own, one made right after Escape closed it is recorded.
    void copiesInTheShownPopupOnlyAreKavlas()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        m_display.runLine(u"xdotool type --delay 20 busca"_qs);
        key(u"ctrl+a ctrl+c Escape"_qs);
        m_display.run(u"sh"_qs, {u"-c"_qs, u"printf depois | xclip -selection clipboard"_qs});
        QVERIFY2(kavla.waitForQuery(u"SELECT group_concat(textContent) FROM ClipboardItem"_qs, u"depois"_qs),
                 qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

    void storedPresetChoosesTheHotKey()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.writePreferences(R"({"globalShortcutKeyCode": {"type": "integer", "value": 4},)"
                                       R"( "globalShortcutModifiers": {"type": "integer", "value": 768}})"));
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));

        key(u"super+shift+h"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        key(u"super+shift+h"_qs);
        QVERIFY(kavla.waitForCount(Closed, 1));
        key(u"super+shift+v"_qs);
        // Nothing may happen: give it the time a press takes to arrive, plus margin.
        QVERIFY(!kavla.waitForCount(Shown, 2, 1500));
        QCOMPARE(kavla.terminate(), 0);
    }

    void refusedGrabIsLoggedAndKavlaKeepsWorking()
    {
        // Another client (here a Kavla of another session) holds Super+Shift+V first.
        KavlaProcess holder(m_display.environment());
        QVERIFY(holder.startReady());
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        QVERIFY2(kavla.waitForOutput(RefusedGrab), qPrintable(kavla.output()));
        QCOMPARE(kavla.output().count(u'\n'), 1);
        QVERIFY2(kavla.output().contains(u"Super+Shift+V"_qs), qPrintable(kavla.output()));

        // Still usable: a later launch in its session opens its popup.
        KavlaProcess second(KavlaProcess::SameSession{kavla});
        QVERIFY(second.start());
        QCOMPARE(second.waitForExit(20000), 0);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        QCOMPARE(holder.terminate(), 0);
    }

    void quickSelectCopiesTheRowBack_data()
    {
        QTest::addColumn<QStringList>("history"); // newest first
        QTest::addColumn<QString>("layout");      // the keyboard layout (setxkbmap)
        QTest::addColumn<bool>("capsLock");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("copied"); // empty: nothing happens, the popup stays

        const QStringList three = {u"first entry"_qs, u"second entry"_qs, u"third entry"_qs};
        const QString us = u"us"_qs;
        QTest::newRow("Ctrl+3 of three") << three << us << false << QString() << u"ctrl+3"_qs << u"third entry"_qs;
        QTest::newRow("Ctrl+3 of two") << three.mid(0, 2) << us << false << QString() << u"ctrl+3"_qs << QString();
        // Typed into the search field on the real display, then Enter (the keys themselves are the
        // popup's unit tests').
        QTest::newRow("a few letters, Enter") << three << us << false << u"thi"_qs << u"Return"_qs << u"third entry"_qs;
        // The digit-row key of "2", which types "é" on AZERTY.
        QTest::newRow("fr: Ctrl+é key") << three << u"fr"_qs << false << QString() << u"ctrl+eacute"_qs
                                        << u"second entry"_qs;
        QTest::newRow("fr, Caps Lock: Ctrl+é key") << three << u"fr"_qs << true << QString() << u"ctrl+eacute"_qs
                                                   << u"second entry"_qs;
        QTest::newRow("us, Caps Lock: Ctrl+2") << three << us << true << QString() << u"ctrl+2"_qs << u"second entry"_qs;
    }

    void quickSelectCopiesTheRowBack()
    {
        QFETCH(QStringList, history);
        QFETCH(QString, layout);
        QFETCH(bool, capsLock);
        QFETCH(QString, typed);
        QFETCH(QString, keys);
        QFETCH(QString, copied);

        // The display is shared by the tests: each row leaves it as it found it.
        int status = -1;
        m_display.run(u"setxkbmap"_qs, {layout}, &status);
        QCOMPARE(status, 0);
        if (capsLock)
            key(u"Caps_Lock"_qs);
        const auto restore = qScopeGuard([this, capsLock] {
            if (capsLock)
                key(u"Caps_Lock"_qs);
            m_display.run(u"setxkbmap"_qs, {u"us"_qs});
        });

        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startWithHistory(history), qPrintable(kavla.errors()));
        m_display.runLine(u"xdotool mousemove 10 700"_qs);
        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        if (!typed.isEmpty())
            m_display.runLine(u"xdotool type --delay 20 "_qs + typed);
        const QString before = clipboard();
        key(keys);

        if (copied.isEmpty()) {
            QVERIFY(!kavla.waitForCount(Closed, 1, 1500));
            QCOMPARE(clipboard(), before);
            key(u"Escape"_qs);
            QVERIFY(kavla.waitForCount(Closed, 1));
        } else {
            QVERIFY2(kavla.waitForCount(Closed, 1), qPrintable(kavla.errors()));
            QTRY_COMPARE_WITH_TIMEOUT(clipboard(), copied, 10000);
            QVERIFY(kavla.waitForQuery(u"SELECT textContent FROM ClipboardItem ORDER BY copiedAt DESC LIMIT 1"_qs,
                                       copied));
        }
        QCOMPARE(kavla.terminate(), 0);
    }

    void historyWindowCopiesBackAndDeletesByKeys()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startWithHistory({u"newest"_qs, u"second"_qs, u"third"_qs}), qPrintable(kavla.errors()));
        const QPoint icon = m_display.waitForTrayIcon();
        QVERIFY2(!icon.isNull(), "no tray icon");
        // The tray menu's Ctrl+H, twice: one window, raised the second time.
        for (int menus = 1; menus <= 2; ++menus) {
            QTest::qWait(400); // a new click, not the tail of the last one
            click(icon, 3);
            QVERIFY2(kavla.waitForCount(MenuShown, menus), qPrintable(kavla.errors()));
            key(u"ctrl+h"_qs);
            QVERIFY2(kavla.waitForCount(u"context menu closed"_qs, menus), qPrintable(kavla.errors()));
            QVERIFY2(kavla.waitForCount(u"history window opened"_qs, 1), qPrintable(kavla.errors()));
        }
        QVERIFY2(kavla.waitForCount(u"history window raised"_qs, 1), qPrintable(kavla.errors()));
        QCOMPARE(kavla.errors().count(u"history window opened"_qs), 1);
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = m_display.runLine(u"xdotool search --onlyvisible --name ^Kavla$"_qs).trimmed()).isEmpty(), 10000);
        m_display.runLine(u"xdotool windowactivate --sync "_qs + window.split(u'\n').first());
        QTest::qWait(300);
        key(u"Home Down ctrl+c"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(clipboard(), u"second"_qs, 10000);
        const QString newestFirst = u"SELECT group_concat(textContent, ',') FROM (SELECT textContent FROM ClipboardItem ORDER BY copiedAt DESC)"_qs;
        QVERIFY(kavla.waitForQuery(newestFirst, u"second,newest,third"_qs));
        // Still chosen at the top: Delete removes it.
        key(u"Delete"_qs);
        QVERIFY(kavla.waitForQuery(newestFirst, u"newest,third"_qs));
        QCOMPARE(kavla.terminate(), 0);
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(PopupTest)
#include "tst_e2e_popup.moc"
