// Kavla natively on Wayland: the real binary on a private headless sway with no X display, with
// copies made by wl-copy and by a helper of ours (helpers/wayland_clipboard_owner) that offers
// several types at once, and a tray host and a shortcuts portal of ours
// (helpers/status_notifier_host, helpers/global_shortcuts_portal) on a private session bus.
#include "support/HelperProcess.h"
#include "support/KavlaProcess.h"
#include "support/SessionBus.h"
#include "support/WaylandCompositor.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

const QString Newest = QStringLiteral(
    "SELECT contentType, coalesce(textContent, ''), coalesce(filePaths, ''), CAST(imageWidth AS INTEGER),"
    " CAST(imageHeight AS INTEGER) FROM ClipboardItem ORDER BY copiedAt DESC LIMIT 1");

} // namespace

class WaylandTest : public QObject
{
    Q_OBJECT

    // Copies `bytes` as `type` (text when empty) with wl-copy, as another application would.
    void copy(const QByteArray &bytes, const QString &type = {})
    {
        QStringList arguments;
        if (!type.isEmpty())
            arguments << QStringLiteral("--type") << type;
        int status = -1;
        m_compositor.run(QStringLiteral("wl-copy"), arguments, bytes, false, &status);
        QCOMPARE(status, 0);
    }
    // What wl-paste reads, once it is `expected` or after 10 s.
    QByteArray pasted(const QByteArray &expected)
    {
        QByteArray read;
        for (QDeadlineTimer deadline(10000); (read = m_compositor.run(u"wl-paste"_qs, {u"--no-newline"_qs})) != expected
                                             && !deadline.hasExpired();)
            QThread::msleep(100);
        return read;
    }
    QString count(const QString &where) const
    {
        return m_kavla->query(QStringLiteral("SELECT count(*) FROM ClipboardItem WHERE ") + where).value(0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_compositor.start(&error), qPrintable(error));
        QVERIFY2(m_bus.start(&error), qPrintable(error));
        // The tray host is there before Kavla, as a desktop's panel is.
        const QProcessEnvironment onTheBus = m_bus.environment(QProcessEnvironment::systemEnvironment());
        m_trayHost = std::make_unique<HelperProcess>(u"status_notifier_host"_qs, onTheBus, QStringList(), "watching");
        m_portal = std::make_unique<HelperProcess>(u"global_shortcuts_portal"_qs, onTheBus, QStringList(), "portal");
        QVERIFY(m_trayHost->ready() && m_portal->ready());
        // Already on the clipboard when Kavla starts: the starting state, never a copy.
        copy("present at start");
        m_kavla = std::make_unique<KavlaProcess>(m_bus.environment(m_compositor.environment()));
        QVERIFY(m_kavla->start());
        QVERIFY2(m_kavla->waitForOutput(QStringLiteral("ready"), 20000), qPrintable(m_kavla->errors()));
        QVERIFY2(m_kavla->waitForOutput(QStringLiteral("watching the Wayland clipboard through "
                                                       "zwlr_data_control_manager_v1")),
                 qPrintable(m_kavla->errors()));
    }

    void cleanupTestCase()
    {
        if (m_kavla)
            QCOMPARE(m_kavla->terminate(), 0);
    }

    void recordsEachKindCopied_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text") << QByteArray("copied on Wayland") << QString()
                              << QStringLiteral("text|copied on Wayland||0|0");
        QTest::newRow("PNG, its size") << pngBytes(60, 40) << QStringLiteral("image/png")
                                       << QStringLiteral("image|||60|40");
        QTest::newRow("table") << QByteArray("a\tb\n1\t2") << QStringLiteral("text/tab-separated-values")
                               << QStringLiteral("table|a\tb\n1\t2||0|0");
        QTest::newRow("file URIs") << QByteArray("file:///etc/hosts\r\nfile:///etc/passwd\r\n")
                                   << QStringLiteral("text/uri-list")
                                   << QStringLiteral("file||[\"/etc/hosts\",\"/etc/passwd\"]|0|0");
    }

    void recordsEachKindCopied()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, type);
        QFETCH(QString, expected);
        copy(bytes, type);
        QVERIFY2(m_kavla->waitForQuery(Newest, expected), qPrintable(m_kavla->query(Newest).join(u'\n')));
        QCOMPARE(count(QStringLiteral("textContent = 'present at start'")), QStringLiteral("0"));
    }

    void recordsTenCopiesMadeApart()
    {
        for (int i = 0; i < 10; ++i) {
            copy("burst " + QByteArray::number(i));
            QThread::msleep(400);
        }
        QVERIFY2(m_kavla->waitForQuery(QStringLiteral("SELECT count(*) FROM ClipboardItem WHERE textContent LIKE 'burst %'"),
                                       QStringLiteral("10")),
                 qPrintable(m_kavla->query(QStringLiteral("SELECT textContent FROM ClipboardItem")).join(u'\n')));
    }

    void copyBackFromThePopupIsPastedAndNotRecordedAgain()
    {
        const QString before = count(QStringLiteral("1"));
        // A second launch opens the running popup; Ctrl+2 copies the second entry back.
        KavlaProcess second(KavlaProcess::SameSession{*m_kavla});
        QVERIFY(second.start());
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY(m_kavla->waitForOutput(QStringLiteral("history popup shown")));
        // wtype's virtual keyboard appears first; the keys follow once the popup has it.
        m_compositor.run(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("400"), QStringLiteral("-M"),
                                                   QStringLiteral("ctrl"), QStringLiteral("-k"), QStringLiteral("2"),
                                                   QStringLiteral("-m"), QStringLiteral("ctrl")});
        QCOMPARE(pasted("burst 8"), QByteArray("burst 8"));
        // sway 1.7 offers wlr data-control version 2: the middle click pastes it too.
        QCOMPARE(m_compositor.run(QStringLiteral("wl-paste"), {QStringLiteral("--primary"), QStringLiteral("--no-newline")}),
                 QByteArray("burst 8"));
        QVERIFY(m_kavla->waitForQuery(Newest, QStringLiteral("text|burst 8||0|0")));

        // The next outside copy is recorded; the copy-back never was.
        copy("after the copy-back");
        QVERIFY(m_kavla->waitForQuery(Newest, QStringLiteral("text|after the copy-back||0|0")));
        QCOMPARE(count(QStringLiteral("1")), QString::number(before.toInt() + 1));
    }

    void markedCopyIsNotRecorded()
    {
        HelperProcess owner(u"wayland_clipboard_owner"_qs, m_compositor.environment());
        QCOMPARE(owner.ask("offer" + owner.flavourFiles({{u"text/plain"_qs, "a secret"}, {u"x-kde-passwordManagerHint"_qs, "secret"}})),
                 QByteArray("offered"));
        copy("after the mark");
        QVERIFY(m_kavla->waitForQuery(Newest, QStringLiteral("text|after the mark||0|0")));
        QCOMPARE(count(QStringLiteral("textContent = 'a secret'")), QStringLiteral("0"));
    }

    // A secret copied without a mark with wl-copy, and cleared by its tool soon after with an
    // empty text (as keepassxc-cli clip does), is forgotten.
    void clearedCopyIsForgotten()
    {
        copy("s3nh4 wayland");
        QVERIFY(m_kavla->waitForQuery(Newest, QStringLiteral("text|s3nh4 wayland||0|0")));
        copy("");
        QVERIFY2(m_kavla->waitForOutput(QStringLiteral("Cópia esquecida como senha: a área de transferência foi esvaziada")),
                 qPrintable(m_kavla->output()));
        QVERIFY(m_kavla->waitForQuery(QStringLiteral("SELECT count(*) FROM ClipboardItem WHERE textContent = 's3nh4 wayland'"),
                                      QStringLiteral("0")));
    }

    // The commands need the session bus alone; a launcher's choice is put back on the Wayland
    // clipboard, a paste is refused in one line, and what was never recorded (the marked copy,
    // the forgotten secret above) is not there to ask for.
    void commandsOverTheSessionBus()
    {
        copy("chosen in a launcher");
        QVERIFY(m_kavla->waitForQuery(Newest, QStringLiteral("text|chosen in a launcher||0|0")));
        copy("newest on wayland");
        QVERIFY(m_kavla->waitForQuery(Newest, QStringLiteral("text|newest on wayland||0|0")));
        const CommandAnswer listed = kavlaCommand(m_kavla->environment(), u"list --dmenu"_qs);
        QCOMPARE(listed.status, 0);
        QVERIFY2(!listed.out.contains("secret") && !listed.out.contains("s3nh4"), listed.out.constData());
        const qsizetype at = listed.out.indexOf("chosen in a launcher  [text ");
        QVERIFY2(at >= 0, listed.out.constData());
        const QByteArray line = listed.out.mid(at, listed.out.indexOf('\n', at) - at + 1);
        QCOMPARE(kavlaCommand(m_kavla->environment(), u"copy --from-line"_qs, line).status, 0);
        QCOMPARE(pasted("chosen in a launcher"), QByteArray("chosen in a launcher"));
        const CommandAnswer refused = kavlaCommand(m_kavla->environment(), u"paste 1"_qs);
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.errors.startsWith(u"kavla: pasting needs X11"_qs) && refused.errors.count(u'\n') == 1,
                 qPrintable(refused.errors));
    }

    // An owner that never writes what it offers costs the reading thread alone: the popup opens
    // at once, and the next copy abandons the hung read well before its 2 s would have run out.
    void unansweringOwnerDelaysNothingElse()
    {
        HelperProcess stuck(u"wayland_clipboard_owner"_qs, m_compositor.environment());
        QCOMPARE(stuck.ask("hang" + stuck.flavourFiles({{u"text/plain"_qs, "never read"}})), QByteArray("offered"));
        QThread::msleep(200); // Kavla is now waiting on the pipe, on its reading thread
        const int shown = int(m_kavla->errors().count(QStringLiteral("history popup shown")));
        QElapsedTimer clock;
        clock.start();
        for (int launches = 1; launches <= 2; ++launches) { // open the popup and close it again
            KavlaProcess launch(KavlaProcess::SameSession{*m_kavla});
            QVERIFY(launch.start());
            QCOMPARE(launch.waitForExit(), 0);
        }
        QVERIFY2(m_kavla->waitForCount(QStringLiteral("history popup closed"), shown + 1, 2000),
                 qPrintable(m_kavla->errors()));
        qInfo("popup opened and closed in %lld ms with a hung owner", qint64(clock.elapsed()));

        clock.restart();
        copy("read after the hung one");
        QVERIFY2(m_kavla->waitForQuery(Newest, QStringLiteral("text|read after the hung one||0|0"), 1000),
                 qPrintable(QString::number(clock.elapsed()) + m_kavla->errors()));
        qInfo("next copy recorded %lld ms after it was made", qint64(clock.elapsed()));
        QCOMPARE(count(QStringLiteral("textContent = 'never read'")), QStringLiteral("0"));
    }

    // The tray icon is a StatusNotifier item: the host's clicks open and close the popup, and the
    // host draws the menu Kavla exports (an application may not place a menu of its own on Wayland).
    // The session's language has no table: the entries read as the Portuguese table writes them.
    void trayItemOnTheStatusNotifierHost()
    {
        QVERIFY(m_trayHost->nextLine().startsWith("item "));
        QCOMPARE(m_trayHost->ask("menu"), QByteArray("menu Kavla|Abrir Histórico|Janela do Histórico…|Ajustes…|"
                                                 "Guia do Usuário…|Encerrar Kavla"));
        const int shown = int(m_kavla->errors().count(QStringLiteral("history popup shown")));
        // A click just after the popup closed is taken for the click that closed it; the last
        // row closed it a moment ago.
        QThread::msleep(400);
        QCOMPARE(m_trayHost->ask("activate"), QByteArray("sent"));
        QVERIFY(m_kavla->waitForCount(QStringLiteral("history popup shown"), shown + 1));
        QTRY_COMPARE(m_compositor.windows(), QStringList{QStringLiteral("com.tarnwick.Kavla")});
        QCOMPARE(m_trayHost->ask("activate"), QByteArray("sent"));
        QVERIFY(m_kavla->waitForCount(QStringLiteral("history popup closed"), shown + 1));
        QTRY_COMPARE(m_compositor.windows(), QStringList());

        // A host that asks for the menu anyway gets no window of Kavla's.
        QCOMPARE(m_trayHost->ask("context"), QByteArray("sent"));
        QCOMPARE(m_trayHost->ask("click Janela do Histórico…"), QByteArray("sent"));
        QVERIFY(m_kavla->waitForOutput(QStringLiteral("history window opened")));
        QTRY_COMPARE(m_compositor.windows(), QStringList{QStringLiteral("com.tarnwick.Kavla")});
        QVERIFY(!m_kavla->errors().contains(QStringLiteral("context menu shown")));
    }

    // Without a tray host (sway without a bar's tray) a second launch still opens the popup; a
    // desktop's panel that starts after Kavla, as at login, still gets the tray icon.
    void trayHostStartedAfterKavla()
    {
        SessionBus bus;
        QString error;
        QVERIFY2(bus.start(&error), qPrintable(error));
        KavlaProcess late(bus.environment(m_compositor.environment()));
        QVERIFY(late.start());
        QVERIFY2(late.waitForOutput(QStringLiteral("no tray host (StatusNotifier) on the session bus yet")),
                 qPrintable(late.errors()));
        KavlaProcess second(KavlaProcess::SameSession{late});
        QVERIFY(second.start());
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY2(late.waitForOutput(QStringLiteral("history popup shown")), qPrintable(late.errors()));
        HelperProcess host(u"status_notifier_host"_qs, bus.environment(QProcessEnvironment::systemEnvironment()),
                           QStringList(), "watching");
        QVERIFY(host.ready() && host.nextLine().startsWith("item "));
        QCOMPARE(host.ask("activate"), QByteArray("sent"));
        QVERIFY2(late.waitForCount(QStringLiteral("history popup closed"), 1), qPrintable(late.errors()));
        QCOMPARE(late.terminate(), 0);
    }

    // The global hot key is asked of the GlobalShortcuts portal, and its activation toggles the popup.
    void hotKeyThroughTheGlobalShortcutsPortal()
    {
        QCOMPARE(m_portal->nextLine(), QByteArray("bound toggle-history SHIFT+LOGO+v|Abrir Histórico"));
        QVERIFY2(m_kavla->waitForOutput(
                     QStringLiteral("global hot key SHIFT+LOGO+v bound through the GlobalShortcuts portal")),
                 qPrintable(m_kavla->errors()));
        const int shown = int(m_kavla->errors().count(QStringLiteral("history popup shown")));
        QThread::msleep(400); // see above: not the click that closed the popup
        for (const char *state : {"history popup shown", "history popup closed"}) {
            QCOMPARE(m_portal->ask("press"), QByteArray("sent"));
            QVERIFY(m_kavla->waitForCount(QString::fromLatin1(state), shown + 1));
        }
    }

private:
    WaylandCompositor m_compositor;
    SessionBus m_bus;
    std::unique_ptr<HelperProcess> m_trayHost;
    std::unique_ptr<HelperProcess> m_portal;
    std::unique_ptr<KavlaProcess> m_kavla;
};

QTEST_GUILESS_MAIN(WaylandTest)
#include "tst_e2e_wayland.moc"
