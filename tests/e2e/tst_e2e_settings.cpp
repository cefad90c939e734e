// The Settings window and the user guide with the real binary on a private display with a window
// manager and a tray host: opened from the tray menu's Ctrl+, and Ctrl+? at most once each, both at
// once, and from the popup's keys; the mouse wheel scrolling the page past the capacity slider
// without changing it; and the launch-at-login switch writing and removing the XDG autostart entry.
#include "support/KavlaProcess.h"
#include "support/VirtualDisplay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString Opened = u"settings window opened"_qs;
const QString Raised = u"settings window raised"_qs;
const QString Closed = u"settings window closed"_qs;
const QString MenuShown = u"context menu shown"_qs;
// From the search field: the sidebar, the detail column, the slider, four presets, four kinds and
// the sound switch come before the launch-at-login switch.
constexpr int TabsToLaunchToggle = 13;

bool waitForFile(const QString &path, bool present, int timeoutMs = 10000)
{
    for (QDeadlineTimer deadline(timeoutMs); QFile::exists(path) != present; QTest::qWait(50)) {
        if (deadline.hasExpired())
            return false;
    }
    return true;
}

} // namespace

class SettingsWindowTest : public QObject
{
    Q_OBJECT

    QStringList windows(const QString &title)
    {
        return m_display.runLine(u"xdotool search --onlyvisible --name ^"_qs + title + u'$').split(u'\n', Qt::SkipEmptyParts);
    }
    QStringList settingsWindows() { return windows(u"Ajustes"_qs); }
    void requestSettings(KavlaProcess &kavla, int menus) { requestFromMenu(kavla, menus, u"ctrl+comma"_qs); }
    // The tray menu, then one of its keys as a user would type it.
    void requestFromMenu(KavlaProcess &kavla, int menus, const QString &keys)
    {
        const QPoint icon = m_display.waitForTrayIcon();
        QVERIFY2(!icon.isNull(), "no tray icon");
        // Right after a window closes the window manager may still be busy with its focus and
        // lose a click: one that brings no menu is made again.
        bool shown = false;
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            m_display.runLine(u"xdotool mousemove %1 %2 click 3"_qs.arg(icon.x()).arg(icon.y()));
            shown = kavla.waitForCount(MenuShown, menus, 3000);
        }
        QVERIFY2(shown, qPrintable(kavla.errors()));
        m_display.runLine(u"xdotool key "_qs + keys);
    }
    // Focuses the window's search field with a click, so the Tab count starts from a known place.
    void focusSearchField(const QString &window)
    {
        m_display.runLine(u"xdotool windowactivate --sync "_qs + window);
        m_display.runLine(u"xdotool mousemove --window "_qs + window + u" 100 22 click 1"_qs);
        QTest::qWait(300);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_display.start(VirtualDisplay::Options{true, true}), "Xvfb, openbox or trayer did not start");
    }

    // The tray menu opens one window of each kind: a second request, from the menu or from a later
    // launch, only raises it; a window closed through the window manager is forgotten, and the
    // next request makes a new one.
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
        requestSettings(kavla, 3);
        QVERIFY2(kavla.waitForCount(Opened, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWindows().size(), 1, 10000);
        const QString first = settingsWindows().first();
        requestSettings(kavla, 4);
        QVERIFY2(kavla.waitForCount(Raised, 1), qPrintable(kavla.errors()));
        requestFromMenu(kavla, 5, u"ctrl+question"_qs);
        QVERIFY2(kavla.waitForCount(u"help window raised"_qs, 1), qPrintable(kavla.errors()));
        KavlaProcess second(KavlaProcess::SameSession{kavla});
        QVERIFY(second.start({u"--guide"_qs}));
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY2(kavla.waitForCount(u"help window raised"_qs, 2), qPrintable(kavla.errors()));
        QCOMPARE(kavla.errors().count(u"help window opened"_qs), 1);
        QCOMPARE(kavla.errors().count(Opened), 1);
        // All three are on screen at once, one of each.
        QTRY_COMPARE_WITH_TIMEOUT(windows(u"Kavla"_qs).size(), 1, 10000);
        QCOMPARE(windows(guideTitle).size(), 1);
        QCOMPARE(settingsWindows(), QStringList{first});

        m_display.runLine(u"wmctrl -i -c "_qs + first);
        QVERIFY2(kavla.waitForCount(Closed, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWindows().size(), 0, 10000);
        requestSettings(kavla, 6);
        QVERIFY2(kavla.waitForCount(Opened, 2), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWindows().size(), 1, 10000);
        QCOMPARE(kavla.terminate(), 0);
    }

    // With the keyboard alone: the hot key, then Ctrl+, in the popup opens Settings and Esc closes
    // it; Ctrl+H in the popup opens the history window. Eight notches of the wheel over the page,
    // from above the capacity slider, scroll it past the slider: capacity and entries stay.
    void popupKeysAndWheelOverThePage()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        QStringList texts;
        for (int i = 1; i <= 40; ++i)
            texts << u"entry %1"_qs.arg(i);
        QVERIFY(kavla.seedHistory(texts));
        QVERIFY(kavla.writePreferences(R"({"maxHistoryCount": {"type": "integer", "value": 50}})"));
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));

        m_display.runLine(u"xdotool key super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(u"history popup shown"_qs, 1), qPrintable(kavla.errors()));
        m_display.runLine(u"xdotool key ctrl+comma"_qs);
        QVERIFY2(kavla.waitForCount(Opened, 1), qPrintable(kavla.errors()));
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
        m_display.runLine(u"xdotool key Escape"_qs);
        QVERIFY2(kavla.waitForCount(Closed, 1), qPrintable(kavla.errors()));
        QCOMPARE(kavla.query(u"SELECT count(*) FROM ClipboardItem"_qs), QStringList{u"40"_qs});

        m_display.runLine(u"xdotool key super+shift+v"_qs);
        QVERIFY2(kavla.waitForCount(u"history popup shown"_qs, 2), qPrintable(kavla.errors()));
        m_display.runLine(u"xdotool key ctrl+h"_qs);
        QVERIFY2(kavla.waitForCount(u"history window opened"_qs, 1), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        QCOMPARE(kavla.query(u"SELECT count(*) FROM ClipboardItem"_qs), QStringList{u"40"_qs});
        QCOMPARE(kavla.storedPreference(u"maxHistoryCount"_qs).toInt(), 50);
    }

    void launchToggleWritesAndRemovesTheAutostartEntry()
    {
        KavlaProcess kavla(m_display.environment());
        const QString entry = kavla.configHome() + u"/autostart/com.tarnwick.Kavla.desktop"_qs;
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        requestSettings(kavla, 1);
        QVERIFY2(kavla.waitForCount(Opened, 1), qPrintable(kavla.errors()));
        QTRY_COMPARE_WITH_TIMEOUT(settingsWindows().size(), 1, 10000);
        focusSearchField(settingsWindows().first());

        m_display.runLine(u"xdotool key --delay 30"_qs + QString(u" Tab"_qs).repeated(TabsToLaunchToggle) + u" space"_qs);
        QVERIFY2(waitForFile(entry, true), qPrintable(kavla.errors()));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Exec="));
        file.close();
        m_display.runLine(u"xdotool key space"_qs);
        QVERIFY2(waitForFile(entry, false), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

    void entrySwitchedOffByTheDesktopShowsTheApprovalRow()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(QDir().mkpath(kavla.configHome() + u"/autostart"_qs));
        QFile file(kavla.configHome() + u"/autostart/com.tarnwick.Kavla.desktop"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Kavla\nExec=/usr/local/bin/kavla\nHidden=true\n");
        file.close();
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        requestSettings(kavla, 1);
        QVERIFY2(kavla.waitForCount(Opened, 1), qPrintable(kavla.errors()));
        QVERIFY2(kavla.waitForOutput(u"settings show the login item waiting for approval"_qs), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(SettingsWindowTest)
#include "tst_e2e_settings.moc"
