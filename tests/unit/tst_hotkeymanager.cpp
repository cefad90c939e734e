// The global hot key: which combination is taken from the stored values, at most one held at a
// time, presets, the trigger, a refused grab reported as one line, and the X11 key translation.
#include "fakes/FakeHotKeyService.h"
#include "fakes/MemoryDefaultsStore.h"
#include "platform/x11/CarbonKeyMap.h"
#include "services/HotKeyManager.h"
#include "services/Preferences.h"

#include <QFile>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

// Standard output of this process while it lives, read back as text.
class StdoutRedirect
{
public:
    StdoutRedirect()
    {
        m_file.open();
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutRedirect() { restore(); }
    QString text()
    {
        restore();
        QFile file(m_file.fileName());
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

using Combination = FakeHotKeyService::Combination;

} // namespace

Q_DECLARE_METATYPE(Combination)

class HotKeyManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registersTheStoredCombinationOrItsFallback_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<Combination>("combination");

        const auto key = [](const QString &name) { return name; };
        QTest::newRow("nothing stored: Command+Shift+V") << QVariantMap() << true << Combination{9, 768};
        QTest::newRow("the H preset") << QVariantMap{{key(PreferenceKeys::globalShortcutKeyCode), 4},
                                                      {key(PreferenceKeys::globalShortcutModifiers), 768}}
                                      << true << Combination{4, 768};
        QTest::newRow("Control+Option+V") << QVariantMap{{key(PreferenceKeys::globalShortcutModifiers), 6144}}
                                          << true << Combination{9, 6144};
        QTest::newRow("key code 0 reads as V") << QVariantMap{{key(PreferenceKeys::globalShortcutKeyCode), 0}}
                                               << true << Combination{9, 768};
        QTest::newRow("mask 0 reads as Command+Shift")
            << QVariantMap{{key(PreferenceKeys::globalShortcutKeyCode), 4}, {key(PreferenceKeys::globalShortcutModifiers), 0}}
            << true << Combination{4, 768};
        QTest::newRow("key code as a string falls back")
            << QVariantMap{{key(PreferenceKeys::globalShortcutKeyCode), QStringLiteral("4")}} << true
            << Combination{9, 768};
        QTest::newRow("negative key code falls back")
            << QVariantMap{{key(PreferenceKeys::globalShortcutKeyCode), -4}} << true << Combination{9, 768};
        QTest::newRow("key code beyond 32 bits falls back")
            << QVariantMap{{key(PreferenceKeys::globalShortcutKeyCode), qint64(1) << 33}} << true
            << Combination{9, 768};
        QTest::newRow("disabled: nothing held")
            << QVariantMap{{key(PreferenceKeys::globalShortcutEnabled), false}} << false << Combination{};
        QTest::newRow("enabled as a string still registers")
            << QVariantMap{{key(PreferenceKeys::globalShortcutEnabled), QStringLiteral("NO")}} << true
            << Combination{9, 768};
        QTest::newRow("enabled as the number 0 still registers")
            << QVariantMap{{key(PreferenceKeys::globalShortcutEnabled), 0}} << true << Combination{9, 768};
    }

    void registersTheStoredCombinationOrItsFallback()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(bool, registered);
        QFETCH(Combination, combination);

        MemoryDefaultsStore store;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            store.set(it.key(), it.value());
        Preferences preferences(&store);
        FakeHotKeyService service;
        HotKeyManager manager(&service, &preferences);
        manager.registerHotKey();

        QCOMPARE(manager.isActive(), registered);
        QCOMPARE(manager.hasHandler(), registered);
        if (registered)
            QCOMPARE(*service.held(), combination);
    }

    void registeringAgainKeepsOneGrabAndOneHandler()
    {
        MemoryDefaultsStore store;
        Preferences preferences(&store);
        FakeHotKeyService service;
        HotKeyManager manager(&service, &preferences);
        int triggers = 0;
        manager.onTrigger = [&] { ++triggers; };

        manager.registerHotKey();
        manager.registerHotKey();
        QCOMPARE(service.grabCount(), 1);
        service.press();
        QCOMPARE(triggers, 1); // one handler: one call per press

        manager.unregisterHotKey();
        QVERIFY(!manager.isActive());
        QVERIFY(!manager.hasHandler());
        service.press();
        QCOMPARE(triggers, 1);
        manager.unregisterHotKey(); // safe when idle
        QCOMPARE(service.grabCount(), 0);
    }

    void triggerSurvivesReregistration()
    {
        MemoryDefaultsStore store;
        Preferences preferences(&store);
        FakeHotKeyService service;
        HotKeyManager manager(&service, &preferences);
        int triggers = 0;
        manager.onTrigger = [&] { ++triggers; };
        manager.registerHotKey();
        manager.updateShortcut(4, 768);
        service.press();
        QCOMPARE(triggers, 1);
    }

    void presetsStoreTheirCombinationAndRegister_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<Combination>("combination");
        QTest::newRow("cmd_shift_v") << QStringLiteral("cmd_shift_v") << Combination{9, 768};
        QTest::newRow("cmd_option_v") << QStringLiteral("cmd_option_v") << Combination{9, 2304};
        QTest::newRow("ctrl_option_v") << QStringLiteral("ctrl_option_v") << Combination{9, 6144};
        QTest::newRow("cmd_shift_h") << QStringLiteral("cmd_shift_h") << Combination{4, 768};
        QTest::newRow("unknown") << QStringLiteral("cmd_shift_x") << Combination{9, 768};
    }

    void presetsStoreTheirCombinationAndRegister()
    {
        QFETCH(QString, preset);
        QFETCH(Combination, combination);
        MemoryDefaultsStore store;
        Preferences preferences(&store);
        FakeHotKeyService service;
        HotKeyManager manager(&service, &preferences);

        manager.applyPreset(preset);
        QCOMPARE(*service.held(), combination);
        QCOMPARE(store.object(PreferenceKeys::globalShortcutKeyCode).toLongLong(), qint64(combination.keyCode));
        QCOMPARE(store.object(PreferenceKeys::globalShortcutModifiers).toLongLong(), qint64(combination.modifiers));
    }

    void disablingThenPresetWithEnabledFalseHoldsNothing()
    {
        MemoryDefaultsStore store;
        Preferences preferences(&store);
        FakeHotKeyService service;
        HotKeyManager manager(&service, &preferences);
        manager.registerHotKey();
        preferences.setGlobalShortcutEnabled(false);
        manager.applyPreset(QStringLiteral("cmd_shift_h"));
        QVERIFY(!service.isRegistered());
        QCOMPARE(store.object(PreferenceKeys::globalShortcutKeyCode).toLongLong(), 4);
    }

    void refusedGrabIsOneLineAndLeavesNothingHeld()
    {
        MemoryDefaultsStore store;
        Preferences preferences(&store);
        FakeHotKeyService service;
        service.setRefuseGrabs(true);
        HotKeyManager manager(&service, &preferences);
        StdoutRedirect out;
        manager.registerHotKey();
        const QString text = out.text();
        QCOMPARE(text.count(u'\n'), 1);
        QVERIFY2(text.startsWith(QStringLiteral("Erro ao registrar atalho global: ")), qPrintable(text));
        QVERIFY(!manager.isActive());
    }

    void translatesStoredKeysForX11_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QChar>("character");
        QTest::addColumn<int>("x11Mask");
        QTest::addColumn<QString>("description");
        QTest::newRow("Command+Shift+V") << 9u << 768u << QChar(u'v') << 64 + 1 << QStringLiteral("Super+Shift+V");
        QTest::newRow("Command+Option+V") << 9u << 2304u << QChar(u'v') << 64 + 8 << QStringLiteral("Alt+Super+V");
        QTest::newRow("Control+Option+V") << 9u << 6144u << QChar(u'v') << 4 + 8 << QStringLiteral("Ctrl+Alt+V");
        QTest::newRow("Command+Shift+H") << 4u << 768u << QChar(u'h') << 64 + 1 << QStringLiteral("Super+Shift+H");
        QTest::newRow("A") << 0u << 256u << QChar(u'a') << 64 << QStringLiteral("Super+A");
        QTest::newRow("digit 5") << 23u << 4096u << QChar(u'5') << 4 << QStringLiteral("Ctrl+5");
        QTest::newRow("digit 0") << 29u << 256u << QChar(u'0') << 64 << QStringLiteral("Super+0");
        QTest::newRow("no such key") << 10u << 256u << QChar() << 64 << QStringLiteral("Super+key code 10");
        QTest::newRow("beyond the table") << 200u << 512u << QChar() << 1 << QStringLiteral("Shift+key code 200");
        QTest::newRow("other Carbon bits ignored") << 9u << (768u | 1u | 1024u) << QChar(u'v') << 64 + 1
                                                   << QStringLiteral("Super+Shift+V");
    }

    void translatesStoredKeysForX11()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QChar, character);
        QFETCH(int, x11Mask);
        QFETCH(QString, description);
        QCOMPARE(QChar(CarbonKeyMap::characterForKeyCode(keyCode)), character);
        QCOMPARE(int(CarbonKeyMap::x11Modifiers(modifiers)), x11Mask);
        QCOMPARE(CarbonKeyMap::describe(keyCode, modifiers), description);
    }

    void everyLetterAndDigitHasAKeyCode()
    {
        QString seen;
        for (quint32 code = 0; code < 128; ++code) {
            if (const char16_t character = CarbonKeyMap::characterForKeyCode(code))
                seen.append(QChar(character));
        }
        for (char16_t c = u'a'; c <= u'z'; ++c)
            QVERIFY2(seen.contains(QChar(c)), qPrintable(QString(QChar(c))));
        for (char16_t c = u'0'; c <= u'9'; ++c)
            QVERIFY2(seen.contains(QChar(c)), qPrintable(QString(QChar(c))));
    }
};

QTEST_GUILESS_MAIN(HotKeyManagerTest)
#include "tst_hotkeymanager.moc"
