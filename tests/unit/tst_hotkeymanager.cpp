// The global hot key: which combination is taken from the stored values, at most one held at a
// time, presets, the trigger, a refused grab reported as one line, and the key translation for X11
// and for the GlobalShortcuts portal.
#include "fakes/FakeHotKeyService.h"
#include "fakes/MemoryDefaultsStore.h"
#include "fakes/OutputCapture.h"
#include "platform/CarbonKeyMap.h"
#include "platform/xdg/PortalHotKeyService.h"
#include "services/HotKeyManager.h"
#include "services/Preferences.h"

#include <QtTest>

using Combination = FakeHotKeyService::Combination;
Q_DECLARE_METATYPE(Combination)

namespace {

// A manager over an in-memory store and hot-key service.
struct Rig
{
    MemoryDefaultsStore store;
    Preferences preferences{&store};
    FakeHotKeyService service;
    HotKeyManager manager{&service, &preferences};
    int triggers = 0;
    Rig()
    {
        QObject::connect(&manager, &HotKeyManager::triggered, [this] { ++triggers; });
    }
};

} // namespace

class HotKeyManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registersTheStoredCombinationOrItsFallback_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<Combination>("combination");

        const QString key = PreferenceKeys::globalShortcutKeyCode;
        const QString mask = PreferenceKeys::globalShortcutModifiers;
        const QString enabled = PreferenceKeys::globalShortcutEnabled;
        QTest::newRow("nothing stored: Command+Shift+V") << QVariantMap() << true << Combination{9, 768};
        QTest::newRow("the H preset") << QVariantMap{{key, 4}, {mask, 768}} << true << Combination{4, 768};
        QTest::newRow("mask only") << QVariantMap{{mask, 6144}} << true << Combination{9, 6144};
        QTest::newRow("disabled: nothing held") << QVariantMap{{enabled, false}} << false << Combination{};
    }

    void registersTheStoredCombinationOrItsFallback()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(bool, registered);
        QFETCH(Combination, combination);
        Rig rig;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            rig.store.set(it.key(), it.value());
        rig.manager.registerHotKey();
        QCOMPARE(rig.manager.isActive(), registered);
        QCOMPARE(rig.manager.hasHandler(), registered);
        QCOMPARE(rig.service.held().value_or(Combination{}), combination);
    }

    void registeringAgainKeepsOneGrabAndOneHandler()
    {
        Rig rig;
        rig.manager.registerHotKey();
        rig.manager.registerHotKey();
        QCOMPARE(rig.service.grabCount(), 1);
        rig.service.press();
        QCOMPARE(rig.triggers, 1); // one handler: one call per press

        // A new combination takes the place of the old one, and still reaches the trigger.
        rig.manager.updateShortcut(4, 768);
        QCOMPARE(*rig.service.held(), (Combination{4, 768}));
        rig.service.press();
        QCOMPARE(rig.triggers, 2);

        rig.manager.unregisterHotKey();
        QVERIFY(!rig.manager.isActive());
        QVERIFY(!rig.manager.hasHandler());
        rig.manager.unregisterHotKey(); // safe when idle
        QCOMPARE(rig.service.grabCount(), 0);
    }

    void presetsStoreTheirCombinationAndRegister_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<Combination>("combination");
        QTest::newRow("cmd_shift_v") << u"cmd_shift_v"_qs << true << Combination{9, 768};
        QTest::newRow("cmd_option_v") << u"cmd_option_v"_qs << true << Combination{9, 2304};
        QTest::newRow("ctrl_option_v") << u"ctrl_option_v"_qs << true << Combination{9, 6144};
        QTest::newRow("cmd_shift_h") << u"cmd_shift_h"_qs << true << Combination{4, 768};
        QTest::newRow("unknown") << u"cmd_shift_x"_qs << true << Combination{9, 768};
        QTest::newRow("disabled: stored, not held") << u"cmd_shift_h"_qs << false << Combination{4, 768};
    }

    void presetsStoreTheirCombinationAndRegister()
    {
        QFETCH(QString, preset);
        QFETCH(bool, enabled);
        QFETCH(Combination, combination);
        Rig rig;
        rig.manager.registerHotKey();
        rig.preferences.setGlobalShortcutEnabled(enabled);
        rig.manager.applyPreset(preset);
        QCOMPARE(rig.service.held().has_value(), enabled);
        if (enabled)
            QCOMPARE(*rig.service.held(), combination);
        QCOMPARE(rig.store.object(PreferenceKeys::globalShortcutKeyCode).toLongLong(), qint64(combination.keyCode));
        QCOMPARE(rig.store.object(PreferenceKeys::globalShortcutModifiers).toLongLong(), qint64(combination.modifiers));
    }

    void refusedGrabIsOneLineAndLeavesNothingHeld()
    {
        Rig rig;
        rig.service.setRefuseGrabs(true);
        OutputCapture out;
        rig.manager.registerHotKey();
        const QString text = out.text();
        QCOMPARE(text.count(u'\n'), 1);
        QVERIFY2(text.startsWith(u"Erro ao registrar atalho global: "_qs), qPrintable(text));
        QVERIFY(!rig.manager.isActive());
    }

    void translatesStoredKeys_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QChar>("character");
        QTest::addColumn<int>("x11Mask");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("portalTrigger");
        QTest::newRow("Command+Shift+V") << 9u << 768u << QChar(u'v') << 64 + 1 << u"Super+Shift+V"_qs
                                         << u"SHIFT+LOGO+v"_qs;
        QTest::newRow("Command+Option+V") << 9u << 2304u << QChar(u'v') << 64 + 8 << u"Alt+Super+V"_qs
                                          << u"ALT+LOGO+v"_qs;
        QTest::newRow("Control+Option+V") << 9u << 6144u << QChar(u'v') << 4 + 8 << u"Ctrl+Alt+V"_qs
                                          << u"CTRL+ALT+v"_qs;
        QTest::newRow("A, key code 0") << 0u << 256u << QChar(u'a') << 64 << u"Super+A"_qs << u"LOGO+a"_qs;
        QTest::newRow("digit 5") << 23u << 4096u << QChar(u'5') << 4 << u"Ctrl+5"_qs << u"CTRL+5"_qs;
        QTest::newRow("no such key") << 10u << 256u << QChar() << 64 << u"Super+key code 10"_qs << QString();
        QTest::newRow("other Carbon bits ignored") << 9u << (768u | 1u | 1024u) << QChar(u'v') << 64 + 1
                                                   << u"Super+Shift+V"_qs << u"SHIFT+LOGO+v"_qs;
    }

    void translatesStoredKeys()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QChar, character);
        QFETCH(int, x11Mask);
        QFETCH(QString, description);
        QFETCH(QString, portalTrigger);
        QCOMPARE(QChar(CarbonKeyMap::characterForKeyCode(keyCode)), character);
        QCOMPARE(int(CarbonKeyMap::x11Modifiers(modifiers)), x11Mask);
        QCOMPARE(CarbonKeyMap::describe(keyCode, modifiers), description);
        QCOMPARE(PortalHotKeyService::triggerFor(keyCode, modifiers), portalTrigger);
    }
};

QTEST_GUILESS_MAIN(HotKeyManagerTest)
#include "tst_hotkeymanager.moc"
