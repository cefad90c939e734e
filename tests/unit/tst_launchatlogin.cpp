// Launch at login: the manager always ends showing the desktop's own status, keeps the last
// failure until the next attempt and mirrors the status in "launchAtLogin"; the XDG autostart
// entry behind it.
#include "fakes/FakeLoginItemService.h"
#include "fakes/MemoryDefaultsStore.h"
#include "fakes/OutputCapture.h"
#include "fakes/TestData.h"
#include "platform/xdg/XdgAutostartLoginItem.h"
#include "services/LaunchAtLoginManager.h"
#include "services/Preferences.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {
QByteArray head()
{
    return "[Desktop Entry]\nType=Application\nExec=kavla\n";
}
} // namespace

class LaunchAtLoginTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void managerFollowsTheDesktop_data()
    {
        QTest::addColumn<int>("status");        // the desktop's before the flip
        QTest::addColumn<int>("afterRegister"); // what registering leaves
        QTest::addColumn<bool>("earlierFailure");
        QTest::addColumn<QString>("failure");   // this attempt's, if any
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QString>("calls");     // "register", "unregister" or ""
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("approval");

        using S = LoginItemService;
        QTest::newRow("on while enabled: no call, the old error goes")
            << int(S::Enabled) << int(S::Enabled) << true << QString() << true << QString() << true << false;
        QTest::newRow("off while waiting for approval: no call")
            << int(S::RequiresApproval) << int(S::Enabled) << false << QString() << false << QString() << false << true;
        QTest::newRow("on while waiting, still waiting")
            << int(S::RequiresApproval) << int(S::RequiresApproval) << false << QString() << true << u"register"_qs << false << true;
        QTest::newRow("off for an unknown status: no call") << 7 << int(S::Enabled) << false << QString() << false << QString() << false << false;
        QTest::newRow("failure") << int(S::NotRegistered) << int(S::Enabled) << false << u"disk full"_qs << true << u"register"_qs << false << false;
        QTest::newRow("success after a failure") << int(S::NotRegistered) << int(S::Enabled) << true << QString() << true << u"register"_qs << true << false;
    }

    void managerFollowsTheDesktop()
    {
        QFETCH(int, status);
        QFETCH(int, afterRegister);
        QFETCH(bool, earlierFailure);
        QFETCH(QString, failure);
        QFETCH(bool, enable);
        QFETCH(QString, calls);
        QFETCH(bool, enabled);
        QFETCH(bool, approval);

        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        FakeLoginItemService service;
        service.current = status;
        LaunchAtLoginManager manager(&service, &preferences);
        QCOMPARE(defaults.object(PreferenceKeys::launchAtLogin), QVariant(status == LoginItemService::Enabled));
        if (earlierFailure) {
            OutputCapture quiet;
            service.failure = u"earlier"_qs;
            manager.setLaunchAtLogin(status != LoginItemService::Enabled);
            QCOMPARE(manager.errorMessage(), std::optional<QString>(u"earlier"_qs));
            service.failure.clear();
            service.registers = service.unregisters = 0;
            manager.refresh(); // a refresh keeps the message
            QVERIFY(manager.errorMessage());
        }

        service.afterRegister = afterRegister;
        service.failure = failure;
        OutputCapture output;
        manager.setLaunchAtLogin(enable);
        const QString lines = output.text();

        QCOMPARE(service.registers, calls == u"register" ? 1 : 0);
        QCOMPARE(service.unregisters, calls == u"unregister" ? 1 : 0);
        QCOMPARE(manager.isEnabled(), enabled);
        QCOMPARE(manager.requiresApproval(), approval);
        QCOMPARE(defaults.object(PreferenceKeys::launchAtLogin), QVariant(enabled));
        QCOMPARE(manager.errorMessage(), failure.isEmpty() ? std::nullopt : std::optional<QString>(failure));
        QCOMPARE(lines, failure.isEmpty() ? QString() : u"Erro ao atualizar inicialização no login: "_qs + failure + u'\n');
    }

    // The entry is read like the preferences file: a regular file of bounded size, opened without
    // blocking; anything else is reported once, counts as not starting Kavla, and is left as it
    // is when Kavla is switched on.
    void autostartEntryStatus_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no entry; "fifo", "zero", "folder", "huge": those
        QTest::addColumn<int>("status");
        const int unreadable = XdgAutostartLoginItem::Unreadable;
        QTest::newRow("no entry") << QByteArray() << int(LoginItemService::NotRegistered);
        QTest::newRow("an entry") << head() << int(LoginItemService::Enabled);
        QTest::newRow("Hidden=true") << head() + "Hidden=true\n" << int(LoginItemService::RequiresApproval);
        QTest::newRow("switched off in GNOME") << head() + "X-GNOME-Autostart-enabled = false\n"
                                               << int(LoginItemService::RequiresApproval);
        QTest::newRow("Hidden in another group") << head() + "[Desktop Action x]\nHidden=true\n" << int(LoginItemService::Enabled);
        QTest::newRow("a named pipe") << QByteArray("fifo") << unreadable;
        QTest::newRow("a link to /dev/zero") << QByteArray("zero") << unreadable;
        QTest::newRow("a folder") << QByteArray("folder") << unreadable;
        QTest::newRow("larger than an entry can be") << QByteArray("huge") << unreadable;
    }

    void autostartEntryStatus()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"autostart/com.tarnwick.Kavla.desktop"_qs);
        QVERIFY(QDir().mkpath(dir.filePath(u"autostart"_qs)));
        const QByteArray native = QFile::encodeName(path);
        if (contents == "fifo") {
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        } else if (contents == "zero") {
            QVERIFY(QFile::link(u"/dev/zero"_qs, path));
        } else if (contents == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (!contents.isEmpty()) {
            QVERIFY(TestData::writeFile(path, contents == "huge" ? head() + QByteArray(XdgAutostartLoginItem::MaxEntryBytes, '#')
                                                                 : contents));
        }
        const QFileInfo before(path);
        XdgAutostartLoginItem item(path, u"/usr/bin/kavla"_qs);
        OutputCapture notes(OutputCapture::StandardError);
        QCOMPARE(item.status(), status);
        QCOMPARE(item.status(), status);
        const QString noted = notes.text();
        const bool unreadable = status == XdgAutostartLoginItem::Unreadable;
        // Reported once, naming the entry, however often the status is read.
        QCOMPARE(noted.count(u'\n'), unreadable ? 1 : 0);
        QVERIFY(!unreadable || noted.contains(path));

        // Switching on over what is not an entry fails with a reason and leaves it as it was.
        QString error;
        QCOMPARE(item.registerItem(&error), !unreadable);
        if (unreadable) {
            QVERIFY2(error.contains(path), qPrintable(error));
            const QFileInfo after(path);
            QCOMPARE(after.isSymLink(), before.isSymLink());
            QCOMPARE(after.isDir(), before.isDir());
            QCOMPARE(after.size(), before.size());
        } else {
            QCOMPARE(item.status(), int(LoginItemService::Enabled));
        }
    }

    // Switched on over an entry of the user's own, Kavla changes only what keeps it from starting
    // and adds what an entry needs; every other line stays as it was.
    void switchingOnKeepsTheUsersEntry_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray own = "# mine\n[Desktop Entry]\nType=Application\nName=Kavla\nExec=env QT_SCALE_FACTOR=2 kavla\n";
        QTest::newRow("switched off by the desktop") << own + "Hidden=true\nX-GNOME-Autostart-enabled=false\n\n[Desktop Action x]\nHidden=true\n"
                                                     << own + "Hidden=false\nX-GNOME-Autostart-enabled=true\n\n[Desktop Action x]\nHidden=true\n";
        QTest::newRow("an empty Exec line") << QByteArray("[Desktop Entry]\nExec=\nComment=x\n")
                                            << QByteArray("[Desktop Entry]\nComment=x\nType=Application\nName=Kavla\nExec=/usr/bin/kavla\n");
        QTest::newRow("no main group") << QByteArray("[Desktop Action x]\nExec=a\n")
                                       << QByteArray("[Desktop Entry]\nType=Application\nName=Kavla\nExec=/usr/bin/kavla\n[Desktop Action x]\nExec=a\n");
    }

    void switchingOnKeepsTheUsersEntry()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"com.tarnwick.Kavla.desktop"_qs);
        QVERIFY(TestData::writeFile(path, entry));
        XdgAutostartLoginItem item(path, u"/usr/bin/kavla"_qs);
        QString error;
        QVERIFY2(item.registerItem(&error), qPrintable(error));
        QCOMPARE(item.status(), int(LoginItemService::Enabled));
        QCOMPARE(TestData::readFile(path), expected);
    }

    void autostartEntryIsWrittenAndRemoved()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"config/autostart/com.tarnwick.Kavla.desktop"_qs);
        XdgAutostartLoginItem item(path, u"/opt/my apps/100%/kavla"_qs);
        QString error;
        QVERIFY2(item.registerItem(&error), qPrintable(error));
        QCOMPARE(item.status(), int(LoginItemService::Enabled));
        QVERIFY(TestData::readFile(path).contains("\nExec=\"/opt/my apps/100%%/kavla\"\n"));
        // The desktop's own validator accepts the entry, quoting included, without a word.
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start(u"desktop-file-validate"_qs, {path});
        QVERIFY2(validator.waitForFinished(), "desktop-file-validate (desktop-file-utils) did not run");
        QCOMPARE(validator.exitCode(), 0);
        QCOMPARE(validator.readAll(), QByteArray());
        QVERIFY(item.unregisterItem(&error));
        QCOMPARE(item.status(), int(LoginItemService::NotRegistered));
        QVERIFY(item.unregisterItem(&error)); // nothing to remove is no failure

        // A file where the folder should be: the failure names the entry.
        QVERIFY(TestData::writeFile(dir.filePath(u"blocked"_qs), {}));
        XdgAutostartLoginItem blocked(dir.filePath(u"blocked/com.tarnwick.Kavla.desktop"_qs), u"/usr/bin/kavla"_qs);
        QVERIFY(!blocked.registerItem(&error));
        QVERIFY2(error.contains(dir.filePath(u"blocked"_qs)), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(LaunchAtLoginTest)
#include "tst_launchatlogin.moc"
