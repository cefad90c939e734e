// The tray item, the history popup and the global hot key with the real binary on a private
// display with a window manager and a tray host.
#include "support/KavlaProcess.h"
#include "support/VirtualDisplay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

namespace {

const QString Shown = QStringLiteral("history popup shown");
const QString Closed = QStringLiteral("history popup closed");
const QString RefusedGrab = QStringLiteral("Erro ao registrar atalho global: ");

// Waits until `text` has appeared at least `count` times in Kavla's standard error.
bool waitForCount(KavlaProcess &kavla, const QString &text, int count, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (kavla.errors().count(text) < count) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(25);
    }
    return true;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Text entries, the first one newest, written straight into a history created by an earlier run.
void seedHistory(const QString &databasePath, const QStringList &texts)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databasePath);
        QVERIFY(db.open());
        QSqlQuery insert(db);
        QVERIFY(insert.prepare(QStringLiteral(
            "INSERT INTO ClipboardItem (id, createdAt, copiedAt, contentType, textContent, imageData, filePaths,"
            " sourceAppBundleId, sourceAppName, charCount, wordCount, imageWidth, imageHeight, isPinned)"
            " VALUES (?, ?, ?, 'text', ?, NULL, NULL, 'org.example.Editor', 'Editor', ?, 1, 0, 0, 0)")));
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < texts.size(); ++i) {
            insert.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            insert.addBindValue(now - 60000 * (i + 1));
            insert.addBindValue(now - 60000 * (i + 1));
            insert.addBindValue(texts.at(i));
            insert.addBindValue(texts.at(i).size());
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

class PopupTest : public QObject
{
    Q_OBJECT

private:
    // The centre of Kavla's icon inside the tray host, once it is there.
    QPoint waitForTrayIcon(const VirtualDisplay &display, int timeoutMs = 15000)
    {
        static const QRegularExpression icon(QStringLiteral(
            R"(\("kavla" "kavla"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))"));
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            const QString tree = display.run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
            for (auto it = icon.globalMatch(tree); it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                const int width = match.captured(1).toInt();
                const int height = match.captured(2).toInt();
                const int x = match.captured(3).toInt();
                const int y = match.captured(4).toInt();
                if (width <= 64 && height <= 64 && x >= 0 && y >= 0)
                    return {x + width / 2, y + height / 2};
            }
            QTest::qWait(100);
        }
        return {};
    }

    // The popup's frame on screen, empty while it is not mapped.
    QRect popupGeometry(const VirtualDisplay &display)
    {
        static const QRegularExpression popup(QStringLiteral(
            R"(\("kavla" "kavla"\)\s+382x532\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))"));
        const QString tree = display.run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
        const QRegularExpressionMatch match = popup.match(tree);
        return match.hasMatch() ? QRect(match.captured(1).toInt(), match.captured(2).toInt(), 382, 532) : QRect();
    }

    void click(const VirtualDisplay &display, QPoint at, int button = 1)
    {
        display.run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                                QString::number(at.y()), QStringLiteral("click"),
                                                QString::number(button)});
    }

    void key(const VirtualDisplay &display, const QString &keys)
    {
        display.run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    }

    QString clipboard(const VirtualDisplay &display)
    {
        return display.run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                     QStringLiteral("clipboard")});
    }

    // Starts Kavla once so it creates its history, stores `texts` in it, and starts it again.
    void startWithHistory(KavlaProcess &kavla, const QStringList &texts)
    {
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        seedHistory(kavla.databasePath(), texts);
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_display.start(VirtualDisplay::Options{true, true}), "Xvfb, openbox or trayer did not start");
    }

    void trayClicksToggleThePopupAndOpenTheMenu()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));
        const QPoint icon = waitForTrayIcon(m_display);
        QVERIFY2(!icon.isNull(), "no tray icon");

        click(m_display, icon);
        QVERIFY2(waitForCount(kavla, Shown, 1), qPrintable(kavla.errors()));
        // Hanging under the icon, within the screen.
        const QRect popup = popupGeometry(m_display);
        QVERIFY2(popup.isValid(), "the popup is not on screen");
        QVERIFY2(popup.top() > icon.y() && popup.top() < icon.y() + 40, qPrintable(QString::number(popup.top())));
        QVERIFY2(popup.left() <= icon.x() && popup.right() >= icon.x() - 40, qPrintable(QString::number(popup.left())));
        click(m_display, icon);
        QVERIFY2(waitForCount(kavla, Closed, 1), qPrintable(kavla.errors()));
        QTest::qWait(400); // a new click, not the tail of the closing one
        click(m_display, icon);
        QVERIFY(waitForCount(kavla, Shown, 2));
        click(m_display, QPoint(200, 600)); // outside the popup
        QVERIFY(waitForCount(kavla, Closed, 2));

        // The right click shows the menu instead; afterwards a plain click toggles again.
        QTest::qWait(400);
        click(m_display, icon, 3);
        QVERIFY(waitForCount(kavla, QStringLiteral("context menu shown"), 1));
        QCOMPARE(kavla.errors().count(Shown), 2);
        key(m_display, QStringLiteral("Escape"));
        QVERIFY(waitForCount(kavla, QStringLiteral("context menu closed"), 1));
        click(m_display, icon);
        QVERIFY(waitForCount(kavla, Shown, 3));

        // Escape closes.
        key(m_display, QStringLiteral("Escape"));
        QVERIFY(waitForCount(kavla, Closed, 3));
        QCOMPARE(kavla.terminate(), 0);
    }

    void quittingFromTheMenuRunsTheTermination()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));
        const QPoint icon = waitForTrayIcon(m_display);
        QVERIFY(!icon.isNull());
        click(m_display, icon, 3);
        QVERIFY(waitForCount(kavla, QStringLiteral("context menu shown"), 1));
        key(m_display, QStringLiteral("ctrl+q"));
        QCOMPARE(kavla.waitForExit(20000), 0);
        QVERIFY(kavla.errors().contains(QStringLiteral("stopped")));

        // The grab went with it: a new Kavla takes the hot key without complaint.
        KavlaProcess next(m_display.environment());
        QVERIFY(next.start());
        QVERIFY(next.waitForOutput(QStringLiteral("ready"), 30000));
        QVERIFY2(!next.output().contains(RefusedGrab), qPrintable(next.output()));
        QCOMPARE(next.terminate(), 0);
    }

    void hotKeyTogglesFromAnotherWindow()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));
        QVERIFY(!waitForTrayIcon(m_display).isNull());

        QProcess other;
        other.setProcessEnvironment(m_display.environment());
        other.start(QStringLiteral(KAVLA_BINARY_DIR "/kavla_other_window"), {QStringLiteral("Other application")});
        QVERIFY(other.waitForReadyRead(15000));
        const QString window = m_display.run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                                                         QStringLiteral("--name"),
                                                                         QStringLiteral("^Other application$")})
                                   .split(u'\n', Qt::SkipEmptyParts).value(0);
        QVERIFY(!window.isEmpty());
        m_display.run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});

        key(m_display, QStringLiteral("super+shift+v"));
        QVERIFY2(waitForCount(kavla, Shown, 1), qPrintable(kavla.errors()));
        // Pressed again while the popup holds the keyboard: it closes.
        key(m_display, QStringLiteral("super+shift+v"));
        QVERIFY(waitForCount(kavla, Closed, 1));
        key(m_display, QStringLiteral("super+shift+v"));
        QVERIFY(waitForCount(kavla, Shown, 2));
        key(m_display, QStringLiteral("Escape"));
        QVERIFY(waitForCount(kavla, Closed, 2));

        // NumLock and CapsLock on do not change the combination.
        key(m_display, QStringLiteral("Num_Lock"));
        key(m_display, QStringLiteral("Caps_Lock"));
        key(m_display, QStringLiteral("super+shift+v"));
        QVERIFY(waitForCount(kavla, Shown, 3));
        key(m_display, QStringLiteral("Escape"));
        QVERIFY(waitForCount(kavla, Closed, 3));
        key(m_display, QStringLiteral("Num_Lock"));
        key(m_display, QStringLiteral("Caps_Lock"));

        // Quitting releases the grab: the combination reaches the other window again.
        QCOMPARE(kavla.terminate(), 0);
        KavlaProcess next(m_display.environment());
        QVERIFY(next.start());
        QVERIFY(next.waitForOutput(QStringLiteral("ready"), 30000));
        QVERIFY2(!next.output().contains(RefusedGrab), qPrintable(next.output()));
        QCOMPARE(next.terminate(), 0);

        other.kill();
        other.waitForFinished();
    }

    void storedPresetChoosesTheHotKey()
    {
        KavlaProcess kavla(m_display.environment());
        writeFile(kavla.preferencesPath(),
                  R"({"globalShortcutKeyCode": {"type": "integer", "value": 4},)"
                  R"( "globalShortcutModifiers": {"type": "integer", "value": 768}})");
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));

        key(m_display, QStringLiteral("super+shift+h"));
        QVERIFY2(waitForCount(kavla, Shown, 1), qPrintable(kavla.errors()));
        key(m_display, QStringLiteral("super+shift+h"));
        QVERIFY(waitForCount(kavla, Closed, 1));

        key(m_display, QStringLiteral("super+shift+v"));
        // Nothing may happen: give it the time a press takes to arrive, plus margin.
        QVERIFY(!waitForCount(kavla, Shown, 2, 1500));
        QCOMPARE(kavla.terminate(), 0);
    }

    void hotKeyFollowsAKeyboardMapChange()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));

        // On Dvorak, V sits on another key: the grab must move with it.
        int status = -1;
        m_display.run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QStringLiteral("us"),
                                                    QStringLiteral("-variant"), QStringLiteral("dvorak")}, &status);
        QCOMPARE(status, 0);
        QVERIFY2(kavla.waitForOutput(QStringLiteral("global hot key taken again")), qPrintable(kavla.errors()));
        key(m_display, QStringLiteral("super+shift+v"));
        QVERIFY2(waitForCount(kavla, Shown, 1), qPrintable(kavla.errors()));
        key(m_display, QStringLiteral("Escape"));
        QVERIFY(waitForCount(kavla, Closed, 1));

        m_display.run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QStringLiteral("us")}, &status);
        QCOMPARE(status, 0);
        QCOMPARE(kavla.terminate(), 0);
    }

    void refusedGrabIsLoggedAndKavlaKeepsWorking()
    {
        // Another client (here a Kavla of another session) holds Super+Shift+V first.
        KavlaProcess holder(m_display.environment());
        QVERIFY(holder.start());
        QVERIFY(holder.waitForOutput(QStringLiteral("ready"), 30000));

        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.start());
        QVERIFY2(kavla.waitForOutput(QStringLiteral("ready"), 30000), qPrintable(kavla.errors()));
        QVERIFY2(kavla.waitForOutput(RefusedGrab), qPrintable(kavla.output()));
        QCOMPARE(kavla.output().count(u'\n'), 1);
        QVERIFY2(kavla.output().contains(QStringLiteral("Super+Shift+V")), qPrintable(kavla.output()));

        // Still usable: a later launch in its session opens its popup.
        KavlaProcess second(KavlaProcess::SameSession{kavla});
        QVERIFY(second.start());
        QCOMPARE(second.waitForExit(20000), 0);
        QVERIFY2(waitForCount(kavla, Shown, 1), qPrintable(kavla.errors()));
        key(m_display, QStringLiteral("Escape"));
        QVERIFY(waitForCount(kavla, Closed, 1));

        QCOMPARE(kavla.terminate(), 0);
        QCOMPARE(holder.terminate(), 0);
    }

    void quickSelectCopiesTheRowBack_data()
    {
        QTest::addColumn<QStringList>("history"); // newest first
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("copied"); // empty: nothing happens, the popup stays

        const QStringList three = {QStringLiteral("first entry"), QStringLiteral("second entry"),
                                   QStringLiteral("third entry")};
        QTest::newRow("Ctrl+3 of three") << three << QString() << QStringLiteral("ctrl+3") << QStringLiteral("third entry");
        QTest::newRow("Ctrl+3 of two") << three.mid(0, 2) << QString() << QStringLiteral("ctrl+3") << QString();
        QTest::newRow("typing filters") << three << QStringLiteral("SECOND") << QStringLiteral("ctrl+1")
                                        << QStringLiteral("second entry");
    }

    void quickSelectCopiesTheRowBack()
    {
        QFETCH(QStringList, history);
        QFETCH(QString, typed);
        QFETCH(QString, keys);
        QFETCH(QString, copied);

        KavlaProcess kavla(m_display.environment());
        startWithHistory(kavla, history);
        m_display.run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("10"), QStringLiteral("700")});
        key(m_display, QStringLiteral("super+shift+v"));
        QVERIFY2(waitForCount(kavla, Shown, 1), qPrintable(kavla.errors()));
        if (!typed.isEmpty())
            m_display.run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                                       QStringLiteral("20"), typed});
        const QString before = clipboard(m_display);
        key(m_display, keys);

        if (copied.isEmpty()) {
            QVERIFY(!waitForCount(kavla, Closed, 1, 1500));
            QCOMPARE(clipboard(m_display), before);
            key(m_display, QStringLiteral("Escape"));
            QVERIFY(waitForCount(kavla, Closed, 1));
        } else {
            QVERIFY2(waitForCount(kavla, Closed, 1), qPrintable(kavla.errors()));
            QDeadlineTimer deadline(10000);
            while (clipboard(m_display) != copied && !deadline.hasExpired())
                QTest::qWait(50);
            QCOMPARE(clipboard(m_display), copied);
            QVERIFY(kavla.waitForQuery(QStringLiteral("SELECT textContent FROM ClipboardItem ORDER BY copiedAt DESC LIMIT 1"),
                                       copied));
        }
        QCOMPARE(kavla.terminate(), 0);
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(PopupTest)
#include "tst_e2e_popup.moc"
