// The global hot key on Wayland through the GlobalShortcuts portal: Kavla's portal client against
// helpers/global_shortcuts_portal (which answers as the documented interface does) on a private
// session bus. Binding, a changed key, and a key given up before the portal answered.
#include "platform/CarbonKeyMap.h"
#include "platform/xdg/PortalHotKeyService.h"
#include "support/SessionBus.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr quint32 KeyV = 9;
constexpr quint32 KeyH = 4;
constexpr quint32 SuperShift = CarbonKeyMap::CmdKey | CarbonKeyMap::ShiftKey;

} // namespace

class PortalTest : public QObject
{
    Q_OBJECT

    // The portal's next line; the service's answers from the bus are handled meanwhile.
    QByteArray nextPortalLine(int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_portal.canReadLine() && !deadline.hasExpired())
            QTest::qWait(20);
        return m_portal.readLine().trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.start(&error), qPrintable(error));
        // Before this process first speaks to its session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        m_portal.setProcessEnvironment(m_bus.environment(QProcessEnvironment::systemEnvironment()));
        m_portal.start(QStringLiteral(KAVLA_BINARY_DIR "/global_shortcuts_portal"));
        QCOMPARE(nextPortalLine(), QByteArray("portal"));
    }

    void cleanupTestCase()
    {
        m_portal.closeWriteChannel();
        m_portal.waitForFinished(3000);
    }

    void bindsTheKeyAndBindsAgainWhenItChanges()
    {
        PortalHotKeyService service;
        QSignalSpy pressed(&service, &HotKeyService::pressed);
        QString error;
        for (const auto &[key, trigger] : {std::pair{KeyV, "SHIFT+LOGO+v"}, std::pair{KeyH, "SHIFT+LOGO+h"}}) {
            QVERIFY2(service.registerHotKey(key, SuperShift, &error), qPrintable(error));
            QCOMPARE(nextPortalLine(), QByteArray("bound toggle-history ") + trigger + "|Abrir Histórico");
            QTRY_VERIFY(service.isRegistered());
            const qsizetype before = pressed.count();
            m_portal.write("press\n");
            QCOMPARE(nextPortalLine(), QByteArray("sent"));
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
        QCOMPARE(nextPortalLine(1000), QByteArray());
        QVERIFY(!service.isRegistered());
    }

private:
    SessionBus m_bus;
    QProcess m_portal;
};

QTEST_GUILESS_MAIN(PortalTest)
#include "tst_e2e_portal.moc"
