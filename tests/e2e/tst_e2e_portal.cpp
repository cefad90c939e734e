// The global hot key on Wayland through the GlobalShortcuts portal: Kavla's portal client against
// helpers/global_shortcuts_portal (which answers as the documented interface does) on a private
// session bus. Binding, a changed key, and a key given up before the portal answered.
#include "platform/CarbonKeyMap.h"
#include "platform/xdg/PortalHotKeyService.h"
#include "support/HelperProcess.h"
#include "support/SessionBus.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr quint32 KeyV = 9;
constexpr quint32 KeyH = 4;
constexpr quint32 SuperShift = CarbonKeyMap::CmdKey | CarbonKeyMap::ShiftKey;

} // namespace

class PortalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.start(&error), qPrintable(error));
        // Before this process first speaks to its session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        m_portal = std::make_unique<HelperProcess>(u"global_shortcuts_portal"_qs,
                                                   m_bus.environment(QProcessEnvironment::systemEnvironment()),
                                                   QStringList(), "portal");
        QVERIFY(m_portal->ready());
    }

    void bindsTheKeyAndBindsAgainWhenItChanges()
    {
        PortalHotKeyService service;
        QSignalSpy pressed(&service, &HotKeyService::pressed);
        QString error;
        for (const auto &[key, trigger] : {std::pair{KeyV, "SHIFT+LOGO+v"}, std::pair{KeyH, "SHIFT+LOGO+h"}}) {
            QVERIFY2(service.registerHotKey(key, SuperShift, &error), qPrintable(error));
            QCOMPARE(m_portal->nextLine(), QByteArray("bound toggle-history ") + trigger + "|Abrir Histórico");
            QTRY_VERIFY(service.isRegistered());
            const qsizetype before = pressed.count();
            QCOMPARE(m_portal->ask("press"), QByteArray("sent"));
            QTRY_COMPARE(pressed.count(), before + 1);
        }
        // Each press of the changed key counts once.
        QTest::qWait(200);
        QCOMPARE(pressed.count(), 2);
    }

    // The user switched the hot key off before the portal had answered: nothing is bound later.
    void keyGivenUpBeforeThePortalAnsweredIsNotBound()
    {
        PortalHotKeyService service;
        QString error;
        QVERIFY2(service.registerHotKey(KeyV, SuperShift, &error), qPrintable(error));
        service.unregisterHotKey();
        QCOMPARE(m_portal->nextLine(1000), QByteArray());
        QVERIFY(!service.isRegistered());
    }

private:
    SessionBus m_bus;
    std::unique_ptr<HelperProcess> m_portal;
};

QTEST_GUILESS_MAIN(PortalTest)
#include "tst_e2e_portal.moc"
