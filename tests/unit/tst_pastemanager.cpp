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

        const QString editor = u"gedit"_qs;
        const QString Editor = u"Gedit"_qs;
        QTest::newRow("editor: Ctrl+V") << true << editor << Editor << false << true << 0 << Outcome::Pasted << PasteKey::ControlV;
        QTest::newRow("xterm: Shift+Insert") << true << u"xterm"_qs << u"XTerm"_qs << false << true << 0 << Outcome::Pasted
                                             << PasteKey::ShiftInsert;
        QTest::newRow("urxvt: Shift+Insert") << true << u"urxvt"_qs << u"URxvt"_qs << false << true << 0 << Outcome::Pasted
                                             << PasteKey::ShiftInsert;
        QTest::newRow("GNOME Terminal: Ctrl+Shift+V") << true << u"gnome-terminal-server"_qs << u"Gnome-terminal"_qs << false
                                                      << true << 0 << Outcome::Pasted << PasteKey::ControlShiftV;
        QTest::newRow("Konsole: Ctrl+Shift+V") << true << u"konsole"_qs << u"konsole"_qs << false << true << 0 << Outcome::Pasted
                                               << PasteKey::ControlShiftV;
        QTest::newRow("kitty: Ctrl+Shift+V") << true << u"kitty"_qs << u"kitty"_qs << false << true << 0 << Outcome::Pasted
                                             << PasteKey::ControlShiftV;
        QTest::newRow("unknown terminal: Shift+Insert") << true << u"zterm"_qs << u"ZTerm"_qs << false << true << 0
                                                        << Outcome::Pasted << PasteKey::ShiftInsert;
        QTest::newRow("keys held a while, then up") << true << editor << Editor << false << true << 5 << Outcome::Pasted
                                                    << PasteKey::ControlV;
        QTest::newRow("keys never up") << true << editor << Editor << false << true << -1 << Outcome::ModifiersHeld
                                       << PasteKey::ControlV;
        QTest::newRow("window gone") << true << editor << Editor << false << false << 0 << Outcome::WindowGone
                                     << PasteKey::ControlV;
        QTest::newRow("Kavla's own window") << true << u"kavla"_qs << u"kavla"_qs << true << true << 0 << Outcome::OwnWindow
                                            << PasteKey::ControlV;
        QTest::newRow("no window in front") << true << QString() << QString() << false << false << 0 << Outcome::NoWindow
                                            << PasteKey::ControlV;
        QTest::newRow("switched off") << false << editor << Editor << false << true << 0 << Outcome::SwitchedOff
                                      << PasteKey::ControlV;
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
