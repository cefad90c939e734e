// The tray item, the history popup and the global hot key with the real binary on a private
// display with a window manager and a tray host; the windows the tray menu and the popup's keys
// open, at most one of each; the mouse wheel scrolling the Settings page past the capacity slider
// without changing it; and pasting the chosen entry into the window that was in front.
#include "support/KavlaProcess.h"
#include "support/VirtualDisplay.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Shown = u"history popup shown"_qs;
const QString Closed = u"history popup closed"_qs;
const QString MenuShown = u"context menu shown"_qs;
const QString RefusedGrab = u"Erro ao registrar atalho global: "_qs;
const QString SettingsOpened = u"settings window opened"_qs;
const QString SettingsClosed = u"settings window closed"_qs;

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
    QStringList windows(const QString &title)
    {
        return m_display.runLine(u"xdotool search --onlyvisible --name ^"_qs + title + u'$').split(u'\n', Qt::SkipEmptyParts);
    }
    QStringList settingsWindows() { return windows(u"Ajustes"_qs); }
    // The tray menu, then one of its keys as a user would type it.
    void requestFromMenu(KavlaProcess &kavla, int menus, const QString &keys)
    {
        const QPoint icon = m_display.waitForTrayIcon();
        QVERIFY2(!icon.isNull(), "no tray icon");
        // Right after a window closes the window manager may still be busy with its focus and
        // lose a click: one that brings no menu is made again.
        bool shown = false;
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            click(icon, 3);
            shown = kavla.waitForCount(MenuShown, menus, 3000);
        }
        QVERIFY2(shown, qPrintable(kavla.errors()));
        key(keys);
    }

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
        requestFromMenu(kavla, 1, u"Escape"_qs);
        QVERIFY(kavla.waitForCount(u"context menu closed"_qs, 1));
        QCOMPARE(kavla.errors().count(Shown), 2);
        click(icon);
        QVERIFY(kavla.waitForCount(Shown, 3));
        key(u"Escape"_qs);
        QVERIFY(kavla.waitForCount(Closed, 3));

        // The menu's Ctrl+Q quits through the termination sequence.
        requestFromMenu(kavla, 2, u"ctrl+q"_qs);
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

    // A combination stored as the macOS key code and modifiers (H, Command+Shift) is the one grabbed.
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
        QTest::addColumn<QString>("layout");      // the keyboard layout (setxkbmap)
        QTest::addColumn<bool>("capsLock");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("copied");

        // Which row a quick selection takes, and that a row beyond the list takes none, are the
        // controller's unit tests'; here the keys of real layouts and a search typed for real.
        QTest::newRow("a few letters, Enter") << u"us"_qs << false << u"thi"_qs << u"Return"_qs << u"third entry"_qs;
        // The digit-row key of "2", which types "é" on AZERTY.
        QTest::newRow("fr: Ctrl+é key") << u"fr"_qs << false << QString() << u"ctrl+eacute"_qs << u"second entry"_qs;
        QTest::newRow("fr, Caps Lock: Ctrl+é key") << u"fr"_qs << true << QString() << u"ctrl+eacute"_qs << u"second entry"_qs;
        QTest::newRow("us, Caps Lock: Ctrl+2") << u"us"_qs << true << QString() << u"ctrl+2"_qs << u"second entry"_qs;
    }

    void quickSelectCopiesTheRowBack()
    {
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
        QVERIFY2(kavla.startWithHistory({u"first entry"_qs, u"second entry"_qs, u"third entry"_qs}), qPrintable(kavla.errors()));
        m_display.runLine(u"xdotool mousemove 10 700"_qs);
        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        if (!typed.isEmpty())
            m_display.runLine(u"xdotool type --delay 20 "_qs + typed);
        key(keys);
        QVERIFY2(kavla.waitForCount(Closed, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(clipboard(), copied, 10000);
        QVERIFY(kavla.waitForQuery(u"SELECT textContent FROM ClipboardItem ORDER BY copiedAt DESC LIMIT 1"_qs, copied));
        QCOMPARE(kavla.terminate(), 0);
    }

    // The tray menu opens one window of each kind: a second request, from the menu or from a later
    // launch, only raises it.
    void trayMenuOpensOneWindowOfEachKind()
    {
        const QString guideTitle = u"Guia.do.Usuário.do.Kavla"_qs; // xdotool's pattern, no blanks
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        requestFromMenu(kavla, 1, u"ctrl+question"_qs);
        QVERIFY2(kavla.waitForCount(u"help window opened"_qs, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(windows(guideTitle).size(), 1, 10000);
        requestFromMenu(kavla, 2, u"ctrl+h"_qs);
        QVERIFY2(kavla.waitForCount(u"history window opened"_qs, 1), qPrintable(kavla.errors()));
        requestFromMenu(kavla, 3, u"ctrl+comma"_qs);
        QVERIFY2(kavla.waitForCount(SettingsOpened, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWindows().size(), 1, 10000);
        const QString first = settingsWindows().first();
        requestFromMenu(kavla, 4, u"ctrl+comma"_qs);
        QVERIFY2(kavla.waitForCount(u"settings window raised"_qs, 1), qPrintable(kavla.errors()));
        requestFromMenu(kavla, 5, u"ctrl+h"_qs);
        QVERIFY2(kavla.waitForCount(u"history window raised"_qs, 1), qPrintable(kavla.errors()));
        KavlaProcess second(KavlaProcess::SameSession{kavla});
        QVERIFY(second.start({u"--guide"_qs}));
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY2(kavla.waitForCount(u"help window raised"_qs, 1), qPrintable(kavla.errors()));
        for (const QString &kind : {u"help"_qs, u"history"_qs, u"settings"_qs})
            QCOMPARE(kavla.errors().count(kind + u" window opened"_qs), 1);
        // All three are on screen at once, one of each.
        QTRY_COMPARE_WITH_TIMEOUT(windows(u"Kavla"_qs).size(), 1, 10000);
        QCOMPARE(windows(guideTitle).size(), 1);
        QCOMPARE(settingsWindows(), QStringList{first});
        QCOMPARE(kavla.terminate(), 0);
    }

    // With the keyboard alone: the hot key, then Ctrl+, in the popup opens Settings and Esc closes
    // it; Ctrl+H in the popup opens the history window. Eight notches of the wheel over the page,
    // from above the capacity slider, scroll it past the slider: capacity and entries stay.
    void popupKeysAndWheelOverThePage()
    {
        QStringList texts;
        for (int i = 1; i <= 40; ++i)
            texts << u"entry %1"_qs.arg(i);
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startWithHistory(texts, R"({"maxHistoryCount": {"type": "integer", "value": 50}})"),
                 qPrintable(kavla.errors()));
        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 1), qPrintable(kavla.errors()));
        key(u"ctrl+comma"_qs);
        QVERIFY2(kavla.waitForCount(SettingsOpened, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWindows().size(), 1, 10000);
        const QString window = settingsWindows().first();
        m_display.runLine(u"xdotool windowactivate --sync "_qs + window);

        // Over the General page's description, right of the sidebar: two notches of the page's
        // scroll (60 points each) above the slider, so the third brings the slider under the
        // pointer rather than jumping past it.
        const QString geometry = m_display.runLine(u"xdotool getwindowgeometry --shell "_qs + window);
        const auto value = [&](const QString &name) {
            for (const QString &line : geometry.split(u'\n'))
                if (line.startsWith(name + u'='))
                    return line.mid(name.size() + 1).toInt();
            return -1;
        };
        m_display.runLine(u"xdotool mousemove %1 %2"_qs.arg(value(u"X"_qs) + 240 + (value(u"WIDTH"_qs) - 240) / 2).arg(value(u"Y"_qs) + 111));
        m_display.runLine(u"xdotool click --repeat 8 --delay 60 5"_qs);
        // The window takes Esc after the wheel's turns, in the order they came.
        key(u"Escape"_qs);
        QVERIFY2(kavla.waitForCount(SettingsClosed, 1), qPrintable(kavla.errors()));
        QCOMPARE(kavla.query(u"SELECT count(*) FROM ClipboardItem"_qs), QStringList{u"40"_qs});

        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(Shown, 2), qPrintable(kavla.errors()));
        key(u"ctrl+h"_qs);
        QVERIFY2(kavla.waitForCount(u"history window opened"_qs, 1), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        QCOMPARE(kavla.query(u"SELECT count(*) FROM ClipboardItem"_qs), QStringList{u"40"_qs});
        QCOMPARE(kavla.storedPreference(u"maxHistoryCount"_qs).toInt(), 50);
    }

    // The desktop's own autostart entry, as Kavla reads it, shows in Settings. Writing and
    // removing the entry are the unit tests' (tst_launchatlogin, tst_settingsview).
    void entrySwitchedOffByTheDesktopShowsTheApprovalRow()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(writeFile(kavla.configHome() + u"/autostart/com.tarnwick.Kavla.desktop"_qs,
                          "[Desktop Entry]\nType=Application\nName=Kavla\nExec=/usr/local/bin/kavla\nHidden=true\n"));
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        requestFromMenu(kavla, 1, u"ctrl+comma"_qs);
        QVERIFY2(kavla.waitForCount(SettingsOpened, 1), qPrintable(kavla.errors()));
        QVERIFY2(kavla.waitForOutput(u"settings show the login item waiting for approval"_qs), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

    // With "pasteAfterChoosing" on, Ctrl+2 in the popup puts the second entry into the window that
    // was in front: a Qt text field of another application (the clipboard owner's window), and an
    // xterm, which pastes the primary selection that Kavla gives up again afterwards.
    void ctrl2PastesTheSecondEntryIntoTheWindowInFront_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("pasteKeys");
        QTest::newRow("Qt text field") << u"field"_qs << u"Ctrl+V"_qs;
        QTest::newRow("xterm") << u"xterm"_qs << u"Shift+Insert"_qs;
    }

    void ctrl2PastesTheSecondEntryIntoTheWindowInFront()
    {
        QFETCH(QString, target);
        QFETCH(QString, pasteKeys);

        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        QVERIFY(kavla.seedHistory({u"first entry"_qs, u"second entry"_qs, u"third entry"_qs}));
        QVERIFY(kavla.writePreferences(R"({"pasteAfterChoosing": {"type": "boolean", "value": true}})"));

        // The other application, in front.
        QTemporaryDir folder;
        const QString typedFile = folder.filePath(u"typed"_qs);
        QProcess other;
        other.setProcessEnvironment(m_display.environment());
        if (target == u"field") {
            other.start(QStringLiteral(KAVLA_BINARY_DIR "/clipboard_owner"));
        } else {
            // Characters reach cat as they come, without waiting for a line.
            other.start(u"xterm"_qs, {u"-title"_qs, u"Paste target"_qs, u"-e"_qs, u"sh"_qs, u"-c"_qs,
                                      u"stty -icanon -echo; exec cat > '%1'"_qs.arg(typedFile)});
        }
        QVERIFY2(other.waitForStarted(5000), qPrintable(other.errorString()));
        if (target == u"field")
            QVERIFY(other.write("window Paste target\n") > 0 && other.waitForBytesWritten(5000));
        const auto stop = qScopeGuard([&other] {
            other.kill();
            other.waitForFinished(3000);
        });
        int status = -1;
        const QString window = m_display.run(u"xdotool"_qs, {u"search"_qs, u"--sync"_qs, u"--name"_qs, u"^Paste target$"_qs},
                                             &status, 15000).trimmed().split(u'\n').first();
        QVERIFY2(status == 0 && !window.isEmpty(), "the other application's window did not appear");
        m_display.run(u"xdotool"_qs, {u"windowactivate"_qs, u"--sync"_qs, window});
        if (target == u"xterm")
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(typedFile), 10000);

        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        key(u"super+shift+v"_qs);
        QVERIFY2(kavla.waitForOutput(Shown), qPrintable(kavla.errors()));
        key(u"ctrl+2"_qs);
        QVERIFY2(kavla.waitForOutput(u"pasted the chosen entry with "_qs + pasteKeys), qPrintable(kavla.errors()));

        if (target == u"field") {
            QString shown;
            QTRY_VERIFY_WITH_TIMEOUT((shown += QString::fromUtf8(other.readAllStandardOutput())).contains(u"text: second entry\n"_qs),
                                     10000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(readFile(typedFile), QByteArray("second entry"), 10000);
            // Once xterm has taken it, the primary selection is given up: a later middle click
            // does not paste the entry again.
            QVERIFY2(kavla.waitForOutput(u"primary selection given up after the paste"_qs), qPrintable(kavla.errors()));
            int status = 0;
            const QString primary = m_display.run(u"xclip"_qs, {u"-o"_qs, u"-selection"_qs, u"primary"_qs}, &status);
            QVERIFY2(status != 0 && primary.isEmpty(), qPrintable(primary));
        }
        QCOMPARE(kavla.terminate(), 0);
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(PopupTest)
#include "tst_e2e_popup.moc"
