// The global hot key: at most one combination held at a time, and one handler reaching the trigger.
#include "fakes/FakeHotKeyService.h"
#include "fakes/MemoryDefaultsStore.h"
#include "services/HotKeyManager.h"
#include "services/Preferences.h"

#include <QtTest>

using Combination = FakeHotKeyService::Combination;

class HotKeyManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void registeringAgainKeepsOneGrabAndOneHandler()
    {
        MemoryDefaultsStore store;
        Preferences preferences(&store);
        FakeHotKeyService service;
        HotKeyManager manager(&service, &preferences);
        int triggers = 0;
        connect(&manager, &HotKeyManager::triggered, this, [&triggers] { ++triggers; });
        manager.registerHotKey();
        manager.registerHotKey();
        QCOMPARE(service.grabCount(), 1);
        service.press();
        QCOMPARE(triggers, 1); // one handler: one call per press

        // A new combination takes the place of the old one, and still reaches the trigger.
        manager.updateShortcut(4, 768);
        QCOMPARE(*service.held(), (Combination{4, 768}));
        service.press();
        QCOMPARE(triggers, 2);

        manager.unregisterHotKey();
        QVERIFY(!manager.isActive());
        QVERIFY(!manager.hasHandler());
        manager.unregisterHotKey(); // safe when idle
        QCOMPARE(service.grabCount(), 0);
    }
};

QTEST_GUILESS_MAIN(HotKeyManagerTest)
#include "tst_hotkeymanager.moc"
