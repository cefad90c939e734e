// Pasting a chosen entry: which key for which kind of window, nothing typed into a window that is
// gone or is Kavla's own or with the switch off, and the wait for the user's modifier keys.
#include "fakes/FakePasteKeySender.h"
#include "fakes/MemoryDefaultsStore.h"
#include "services/PasteManager.h"
#include "services/Preferences.h"

#include <QtTest>

using Outcome = PasteManager::Outcome;

class PasteManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosingAnEntry_data()
    {
        QTest::addColumn<bool>("switchedOn");
        QTest::addColumn<QString>("instanceName");
        QTest::addColumn<QString>("className");
        QTest::addColumn<bool>("own");
        QTest::addColumn<bool>("stillThere");
        QTest::addColumn<int>("heldInspections");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<PasteKey>("key"); // when pasted

        // The window in front by its WM_CLASS; then what differs from a paste into an editor.
        const auto row = [](const char *name, const QString &instanceName, const QString &className, PasteKey key,
                            Outcome outcome = Outcome::Pasted, int heldInspections = 0, bool stillThere = true,
                            bool own = false, bool switchedOn = true) {
            QTest::newRow(name) << switchedOn << instanceName << className << own << stillThere << heldInspections << outcome
                                << key;
        };
        const QString editor = u"gedit"_qs;
        const QString Editor = u"Gedit"_qs;
        row("editor: Ctrl+V", editor, Editor, PasteKey::ControlV);
        row("xterm: Shift+Insert", u"xterm"_qs, u"XTerm"_qs, PasteKey::ShiftInsert);
        row("GNOME Terminal: Ctrl+Shift+V", u"gnome-terminal-server"_qs, u"Gnome-terminal"_qs, PasteKey::ControlShiftV);
        row("unknown terminal: Shift+Insert", u"zterm"_qs, u"ZTerm"_qs, PasteKey::ShiftInsert);
        row("keys held a while, then up", editor, Editor, PasteKey::ControlV, Outcome::Pasted, 5);
        row("keys never up", editor, Editor, PasteKey::ControlV, Outcome::ModifiersHeld, -1);
        row("window gone", editor, Editor, PasteKey::ControlV, Outcome::WindowGone, 0, false);
        row("Kavla's own window", u"kavla"_qs, u"kavla"_qs, PasteKey::ControlV, Outcome::OwnWindow, 0, true, true);
        row("no window in front", QString(), QString(), PasteKey::ControlV, Outcome::NoWindow, 0, false);
        row("switched off", editor, Editor, PasteKey::ControlV, Outcome::SwitchedOff, 0, true, false, false);
    }

    void choosingAnEntry()
    {
        QFETCH(bool, switchedOn);
        QFETCH(QString, instanceName);
        QFETCH(QString, className);
        QFETCH(bool, own);
        QFETCH(bool, stillThere);
        QFETCH(int, heldInspections);
        QFETCH(Outcome, outcome);
        QFETCH(PasteKey, key);

        MemoryDefaultsStore store;
        Preferences preferences(&store);
        preferences.setPasteAfterChoosing(switchedOn);
        FakePasteKeySender sender;
        constexpr quint32 Window = 0x2a00007;
        const quint32 id = instanceName.isEmpty() ? 0 : Window;
        sender.active = {id, instanceName, className, own};
        if (stillThere)
            sender.windows.insert(id);
        sender.heldInspections = heldInspections;
        PasteManager manager(&sender, &preferences);
        QSignalSpy finished(&manager, &PasteManager::finished);

        // Chosen at once, before the desktop has said which window was in front.
        manager.popoverWillShow();
        manager.entryChosen();
        if (finished.isEmpty())
            QVERIFY(finished.wait(PasteManager::ModifierTimeoutMs + 2000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().value<Outcome>(), outcome);
        const QList<QPair<quint32, PasteKey>> expected
            = outcome == Outcome::Pasted ? QList<QPair<quint32, PasteKey>>{{Window, key}} : QList<QPair<quint32, PasteKey>>{};
        QCOMPARE(sender.typed, expected);
        if (heldInspections > 0)
            QCOMPARE(sender.inspections, heldInspections + 1);
        if (own || !switchedOn)
            QCOMPARE(sender.inspections, 0);
    }
};

QTEST_GUILESS_MAIN(PasteManagerTest)
#include "tst_pastemanager.moc"
