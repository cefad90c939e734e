// Start-up and termination of the real binary on a private display, and the kavla commands that
// ask it on a private session bus.
#include "support/KavlaProcess.h"
#include "support/SessionBus.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_display.start(), "Xvfb did not start");
    }

    // The history is private to the user; that a later launch finds what an earlier one left is
    // what every test started with a history relies on (KavlaProcess::startWithHistory).
    void createsAPrivateHistory()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        QCOMPARE(modeOf(kavla.databasePath()), 0600);
        QCOMPARE(modeOf(QFileInfo(kavla.databasePath()).absolutePath()), 0700);
        QCOMPARE(kavla.terminate(), 0);
    }

    // What the store refuses is classified by its unit tests (a foreign database, a newer schema,
    // read-only files); here the program's one line and its exit.
    void refusesDamagedStore()
    {
        const QString reason = QStringLiteral("file is not a database");
        KavlaProcess kavla(m_display.environment());
        const QByteArray before = QByteArray("this is not a database\n").repeated(100);
        QVERIFY(writeFile(kavla.databasePath(), before));

        QVERIFY(kavla.start());
        const int status = kavla.waitForExit(20000);
        QVERIFY2(status > 0, qPrintable(QString::number(status)));
        QVERIFY2(kavla.output().startsWith(QStringLiteral("Could not create ModelContainer: ")),
                 qPrintable(kavla.output()));
        QVERIFY2(kavla.output().contains(reason), qPrintable(kavla.output()));
        QCOMPARE(readFile(kavla.databasePath()), before);
        QVERIFY(!kavla.errors().contains(QStringLiteral("ready")));
        QVERIFY(!QFile::exists(kavla.preferencesPath())); // nothing started, nothing written
    }

    // Without a display Kavla can use, it says why in one line and exits with 2, creating nothing.
    void withoutDisplaySaysSoInOneLine_data()
    {
        QTest::addColumn<QString>("waylandSocket");
        QTest::addColumn<bool>("silentX");
        QTest::addColumn<QString>("why");
        QTest::newRow("no display at all") << QString() << false << u"no graphical session"_qs;
        QTest::newRow("a Wayland socket nobody listens on") << u"/nonexistent/wayland-0"_qs << false << u"no graphical session"_qs;
        QTest::newRow("a Wayland compositor that never answers") << u"silent"_qs << false << u"no graphical session"_qs;
        QTest::newRow("an X display that never answers") << QString() << true << u"does not answer"_qs;
    }

    void withoutDisplaySaysSoInOneLine()
    {
        QFETCH(QString, waylandSocket);
        QFETCH(bool, silentX);
        QFETCH(QString, why);
        QTemporaryDir folder;
        QLocalServer silent;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (waylandSocket == u"silent"_qs) {
            waylandSocket = folder.filePath(u"wayland-0"_qs);
            QVERIFY(silent.listen(waylandSocket));
        }
        if (!waylandSocket.isEmpty())
            environment.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandSocket);
        if (silentX) {
            // A socket where an X server would listen, accepting connections and never answering.
            QDir().mkpath(u"/tmp/.X11-unix"_qs);
            int number = 600 + int(QCoreApplication::applicationPid() % 300);
            while (QFileInfo::exists(u"/tmp/.X11-unix/X"_qs + QString::number(number)))
                ++number;
            QVERIFY2(silent.listen(u"/tmp/.X11-unix/X"_qs + QString::number(number)), qPrintable(silent.errorString()));
            environment.insert(QStringLiteral("DISPLAY"), u":"_qs + QString::number(number));
        }
        KavlaProcess kavla(environment);
        QVERIFY(kavla.start());
        QCOMPARE(kavla.waitForExit(20000), 2);
        QCOMPARE(kavla.errors().trimmed().count(QLatin1Char('\n')), 0);
        QVERIFY2(kavla.errors().contains(why), qPrintable(kavla.errors()));
        QVERIFY(!QFile::exists(kavla.databasePath()));
    }

    // A second launch hands over to the running Kavla and exits. Whatever is left at the lock's or
    // the socket's path never keeps Kavla from starting, nor a later launch from finding it; nor
    // does an autostart entry that is no regular file. A symlink is replaced, never followed.
    void strayFilesNeverBlockTheStart_data()
    {
        QTest::addColumn<QString>("path"); // "run/…" in the runtime folder, "config/…" in XDG_CONFIG_HOME
        QTest::addColumn<QString>("kind"); // "garbage", "symlink", "fifo" or "zero" (a link to /dev/zero)
        QTest::newRow("nothing left behind") << QString() << QString();
        QTest::newRow("a lock file of garbage") << u"run/kavla.lock"_qs << u"garbage"_qs;
        QTest::newRow("a lock file that is a symlink") << u"run/kavla.lock"_qs << u"symlink"_qs;
        QTest::newRow("a lock file that is a named pipe") << u"run/kavla.lock"_qs << u"fifo"_qs;
        QTest::newRow("a socket path taken by a file") << u"run/kavla.socket"_qs << u"garbage"_qs;
        QTest::newRow("an autostart entry that is a named pipe")
            << u"config/autostart/com.tarnwick.Kavla.desktop"_qs << u"fifo"_qs;
        QTest::newRow("an autostart entry linked to /dev/zero")
            << u"config/autostart/com.tarnwick.Kavla.desktop"_qs << u"zero"_qs;
    }

    void strayFilesNeverBlockTheStart()
    {
        QFETCH(QString, path);
        QFETCH(QString, kind);
        KavlaProcess kavla(m_display.environment());
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(u"not Kavla's"_qs);
        QVERIFY(writeFile(target, "keep me\n"));
        const QString stray = QFileInfo(kavla.dataHome()).absolutePath() + u'/' + path;
        QDir().mkpath(QFileInfo(stray).absolutePath());
        const QByteArray native = QFile::encodeName(stray);
        if (kind == u"garbage")
            QVERIFY(writeFile(stray, "\xff\xfe not a process\n"));
        else if (kind == u"symlink")
            QVERIFY(QFile::link(target, stray));
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        else if (kind == u"zero")
            QVERIFY(QFile::link(u"/dev/zero"_qs, stray));

        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready")), qPrintable(kavla.errors()));
        KavlaProcess second(KavlaProcess::SameSession{kavla});
        QVERIFY(second.start());
        QCOMPARE(second.waitForExit(15000), 0);
        QVERIFY2(second.errors().contains(QStringLiteral("already running")), qPrintable(second.errors()));
        QVERIFY(kavla.waitForOutput(QStringLiteral("another launch")));
        QCOMPARE(kavla.terminate(), 0);
        QCOMPARE(readFile(target), QByteArray("keep me\n"));
    }

    // Ctrl+C in a terminal ends Kavla as SIGTERM does (every test stops it by SIGTERM).
    void interruptRunsTheTerminationSequence()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        ::kill(pid_t(kavla.pid()), SIGINT);
        QCOMPARE(kavla.waitForExit(), 0);
        QVERIFY(kavla.errors().contains(QStringLiteral("stopped")));
    }

    void withoutRuntimeFolderUsesAPrivateOneAndReadsShortLines()
    {
        KavlaProcess kavla(m_display.environment());
        QTemporaryDir temporary;
        // No runtime folder, and the one Qt would fall back to belongs to another user.
        kavla.setVariable(QStringLiteral("XDG_RUNTIME_DIR"), QString());
        kavla.setVariable(QStringLiteral("TMPDIR"), temporary.path());
        const QString taken = temporary.filePath(QStringLiteral("runtime-%1").arg(qEnvironmentVariable("USER", QStringLiteral("root"))));
        QVERIFY(QDir().mkdir(taken));
        QCOMPARE(::chown(QFile::encodeName(taken).constData(), 65534, 65534), 0);
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready")), qPrintable(kavla.errors()));
        const QString folder = temporary.filePath(QStringLiteral("kavla-%1").arg(::getuid()));
        QCOMPARE(modeOf(folder), 0700);
        QVERIFY(QFile::exists(folder + QStringLiteral("/kavla.lock")));
        QVERIFY(!QFile::exists(temporary.filePath(QStringLiteral("kavla.lock"))));

        // A client that never ends its line is cut off.
        QLocalSocket flood;
        flood.connectToServer(folder + QStringLiteral("/kavla.socket"));
        QVERIFY(flood.waitForConnected(5000));
        flood.write(QByteArray(8 * 1024 * 1024, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(flood.state(), QLocalSocket::UnconnectedState, 10000);
        QCOMPARE(kavla.terminate(), 0);
    }

    void lostDisplayEndsWithoutCrashAndKeepsHistory()
    {
        auto display = std::make_unique<VirtualDisplay>();
        QVERIFY2(display->start(), "Xvfb did not start");
        KavlaProcess kavla(display->environment());
        QVERIFY(kavla.start());
        QVERIFY(kavla.waitForOutput(QStringLiteral("ready")));
        display.reset(); // the X server goes away, as at logout
        const int status = kavla.waitForExit(20000);
        // A crash is a signal, or in the sanitizer build its report.
        QVERIFY2(status >= 0 && !kavla.errors().contains(QStringLiteral("Sanitizer")),
                 qPrintable(QStringLiteral("crashed or hung: ") + kavla.errors()));
        QCOMPARE(kavla.query(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
    }

    // Without a Kavla to ask, or without a session bus, every command says so in one line.
    void commandsWithoutKavlaExitTwo()
    {
        SessionBus bus;
        QString error;
        QVERIFY2(bus.start(&error), qPrintable(error));
        QProcessEnvironment noBus = QProcessEnvironment::systemEnvironment();
        noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        for (const QProcessEnvironment &environment : {bus.environment(QProcessEnvironment::systemEnvironment()), noBus}) {
            for (const QString &arguments : {u"list"_qs, u"get 1"_qs, u"copy 2"_qs, u"pin 1"_qs, u"delete 1"_qs,
                                             u"clear"_qs, u"show"_qs, u"search a"_qs}) {
                const CommandAnswer answer = kavlaCommand(environment, arguments);
                QCOMPARE(answer.status, 2);
                QVERIFY2(answer.errors.startsWith(u"kavla: "_qs) && answer.errors.count(u'\n') == 1,
                         qPrintable(arguments + u": "_qs + answer.errors));
            }
        }
        QCOMPARE(kavlaCommand(noBus, u"copy"_qs).status, 1);
    }

    void commandsAnswerFromTheRunningKavla()
    {
        SessionBus bus;
        QString error;
        QVERIFY2(bus.start(&error), qPrintable(error));
        KavlaProcess kavla(bus.environment(m_display.environment()));
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(u"on the session bus as com.tarnwick.Kavla"_qs, 30000), qPrintable(kavla.errors()));
        const QProcessEnvironment environment = kavla.environment();
        const auto copy = [&](const QString &text, int count) {
            m_display.run(u"sh"_qs, {u"-c"_qs, u"printf %s \"$1\" | xclip -selection clipboard"_qs, u"sh"_qs, text});
            return kavla.waitForQuery(u"SELECT count(*) FROM ClipboardItem"_qs, QString::number(count));
        };
        const QByteArray newest = "três\tlinhas ✓\nsegunda";
        QVERIFY(copy(u"primeiro"_qs, 1));
        QVERIFY(copy(u"segundo"_qs, 2));
        QVERIFY(copy(QString::fromUtf8(newest), 3));

        QCOMPARE(kavlaCommand(environment, u"list"_qs).out,
                 QByteArray("1\ttext\ttrês linhas ✓ segunda\n2\ttext\tsegundo\n3\ttext\tprimeiro\n"));
        QCOMPARE(kavlaCommand(environment, u"get 1"_qs).out, newest);
        CommandAnswer answer = kavlaCommand(environment, u"copy 2"_qs);
        QCOMPARE(answer.status, 0);
        QCOMPARE(m_display.run(u"xclip"_qs, {u"-o"_qs, u"-selection"_qs, u"clipboard"_qs}), u"segundo"_qs);
        QVERIFY(kavlaCommand(environment, u"list"_qs).out.startsWith("1\ttext\tsegundo\n2\ttext\ttrês"));

        // A launcher's choice names its entry even after a new copy moved every number.
        const QList<QByteArray> lines = kavlaCommand(environment, u"list --dmenu"_qs).out.split('\n');
        QVERIFY(lines.at(2).startsWith("primeiro  [text "));
        QVERIFY(copy(u"quarto"_qs, 4));
        QCOMPARE(kavlaCommand(environment, u"copy --from-line"_qs, lines.at(2) + '\n').status, 0);
        QCOMPARE(m_display.run(u"xclip"_qs, {u"-o"_qs, u"-selection"_qs, u"clipboard"_qs}), u"primeiro"_qs);

        QCOMPARE(kavlaCommand(environment, u"pin 1"_qs).status, 0);
        QVERIFY(kavlaCommand(environment, u"list --json"_qs).out.contains("\"pinned\": true"));
        QCOMPARE(kavlaCommand(environment, u"delete 2"_qs).status, 0);
        // The search is the popup's; the numbers stay those of the whole list.
        QCOMPARE(kavlaCommand(environment, u"search SEGUND"_qs).out,
                 QByteArray("2\ttext\tsegundo\n3\ttext\ttrês linhas ✓ segunda\n"));
        QCOMPARE(kavlaCommand(environment, u"list"_qs).out.count('\n'), 3);

        // A wrong number or id is refused in one line, and Kavla goes on.
        for (const QString &arguments : {u"delete 9"_qs, u"copy 0"_qs, u"get zzzz"_qs, u"pin 00000000"_qs}) {
            answer = kavlaCommand(environment, arguments);
            QCOMPARE(answer.status, 1);
            QVERIFY2(answer.errors.startsWith(u"kavla: "_qs) && answer.errors.count(u'\n') == 1, qPrintable(answer.errors));
        }
        QCOMPARE(kavlaCommand(environment, u"list"_qs).out.count('\n'), 3);

        // An image comes out as PNG.
        QTemporaryDir folder;
        QVERIFY(writeFile(folder.filePath(u"red.png"_qs), pngBytes(40, 30)));
        m_display.run(u"xclip"_qs, {u"-selection"_qs, u"clipboard"_qs, u"-t"_qs, u"image/png"_qs, u"-i"_qs,
                                    folder.filePath(u"red.png"_qs)});
        QVERIFY(kavla.waitForQuery(u"SELECT count(*) FROM ClipboardItem"_qs, u"4"_qs));
        QCOMPARE(QImage::fromData(kavlaCommand(environment, u"get 1"_qs).out, "PNG").size(), QSize(40, 30));
        QCOMPARE(kavla.terminate(), 0);
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_e2e_startup.moc"
