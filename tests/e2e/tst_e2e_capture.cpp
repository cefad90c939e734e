// Capture from the real X11 clipboard: the real binary on a private display, with copies made by
// a second process (tests/e2e/helpers/clipboard_owner) that owns the clipboard.
#include "support/HelperProcess.h"
#include "support/KavlaProcess.h"
#include "support/VirtualDisplay.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTest>

using Flavours = HelperProcess::Flavours;

namespace {

// A second application that owns the clipboard (see helpers/clipboard_owner.cpp).
class ClipboardOwner : public HelperProcess
{
public:
    explicit ClipboardOwner(const VirtualDisplay &display, const QString &name = {})
        : HelperProcess(u"clipboard_owner"_qs, display.environment(),
                        name.isEmpty() ? QStringList() : QStringList{u"-name"_qs, name}, "ready")
    {
    }

    // Owns the clipboard with these flavours; true once it does. With `hangMs`, it then answers
    // nobody for that long, not even for the types it offers.
    bool offer(const Flavours &flavours, int hangMs = 0)
    {
        return ask((hangMs > 0 ? "hang " + QByteArray::number(hangMs) : "offer") + flavourFiles(flavours)) == "offered";
    }
    // Shows a window and returns its X id.
    QString showWindow(const QString &title) { return windowId(ask("window " + title.toUtf8())); }
    // Shows a window with the identity of the application a fixture was captured from
    // (tests/fixtures/clipboard) and returns its X id; copy() then offers what it offered.
    QString showFixture(const QString &path) { return windowId(ask("fixture " + path.toUtf8())); }
    bool copyFixture() { return ask("copy") == "offered"; }
    // Quits, as an application closed by the user does.
    bool quit()
    {
        ask("quit");
        return process().waitForFinished(5000);
    }

private:
    static QString windowId(const QByteArray &answer)
    {
        return answer.startsWith("window ") ? QString::fromLatin1(answer.mid(7)) : QString();
    }
};

Flavours text(const QByteArray &value)
{
    return {{QStringLiteral("text/plain"), value}};
}

const QString CountSql = QStringLiteral("SELECT count(*) FROM ClipboardItem");
const QString NewestSql = QStringLiteral(
    "SELECT contentType, coalesce(textContent, ''), coalesce(filePaths, ''), round(imageWidth),"
    " round(imageHeight)"
    " FROM ClipboardItem ORDER BY copiedAt DESC LIMIT 1");

} // namespace

class CaptureTest : public QObject
{
    Q_OBJECT

private:
    VirtualDisplay m_display;

    // Brings `window` to the front. A person works in a window a moment before copying; the
    // window manager needs that moment to name the window it has just activated.
    bool activate(const QString &window)
    {
        int status = -1;
        m_display.run(u"xdotool"_qs, {u"windowactivate"_qs, u"--sync"_qs, window}, &status);
        QTest::qWait(300);
        return status == 0;
    }

    // The clipboard's content (as `target` when given), read until it is `expected` or
    // `timeoutMs` have passed.
    QString clipboard(const QString &target = {}, const QString &expected = {}, int timeoutMs = 0)
    {
        QStringList read{u"-o"_qs, u"-selection"_qs, u"clipboard"_qs};
        if (!target.isEmpty())
            read << u"-t"_qs << target;
        const QDeadlineTimer deadline(timeoutMs);
        QString content = m_display.run(u"xclip"_qs, read);
        for (; content != expected && !deadline.hasExpired(); content = m_display.run(u"xclip"_qs, read))
            QTest::qWait(50);
        return content;
    }

private Q_SLOTS:
    void initTestCase()
    {
        VirtualDisplay::Options options;
        options.windowManager = true;
        QVERIFY2(m_display.start(options), "Xvfb did not start");
    }

    // A copy is one entry, a large one recorded whole; saved means durable: the row outlives a
    // kill right after the save. Tables and files are the rows of replaysWhatApplicationsOffer.
    void capturesEachKind_data()
    {
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<QString>("check");    // a query of the entry
        QTest::addColumn<QString>("expected"); // its first row

        QTest::newRow("plain text") << text("olá, área de transferência") << NewestSql
                                    << QStringLiteral("text|olá, área de transferência||0|0");
        QTest::newRow("PNG") << Flavours{{QStringLiteral("image/png"), pngBytes(120, 80, true)}} << NewestSql
                             << QStringLiteral("image|||120|80");
        QByteArray big;
        big.reserve(10'000'000);
        while (big.size() < 10'000'000)
            big += "Linha de texto número " + QByteArray::number(big.size()) + " com acentuação.\n";
        big.truncate(10'000'000);
        big[big.size() - 1] = 'x';
        QTest::newRow("10 MB of text") << text(big)
                                       << QStringLiteral("SELECT length(CAST(textContent AS BLOB)) FROM ClipboardItem")
                                       << QString::number(big.size());
        QTest::newRow("4K image") << Flavours{{QStringLiteral("image/png"), pngBytes(3840, 2160, true)}}
                                  << QStringLiteral("SELECT imageWidth || 'x' || imageHeight FROM ClipboardItem")
                                  << QStringLiteral("3840.0x2160.0");
        // 400 MB decoded: far above Qt's own limit of 128 MiB.
        QTest::newRow("100-megapixel image") << Flavours{{QStringLiteral("image/png"), pngBytes(10000, 10000)}}
                                             << QStringLiteral("SELECT imageWidth || 'x' || imageHeight FROM ClipboardItem")
                                             << QStringLiteral("10000.0x10000.0");
    }

    void capturesEachKind()
    {
        QFETCH(Flavours, flavours);
        QFETCH(QString, check);
        QFETCH(QString, expected);

        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        ClipboardOwner owner(m_display);
        QVERIFY(owner.offer(flavours));
        QVERIFY2(kavla.waitForQuery(check, expected, 30000), qPrintable(kavla.query(check).value(0).left(200) + kavla.output()));
        QCOMPARE(kavla.query(CountSql), QStringList{QStringLiteral("1")});
        if (flavours.first().first == QLatin1String("image/png")) // the one entry's bytes, as copied
            QVERIFY(QByteArray::fromHex(kavla.query(u"SELECT hex(bytes) FROM ClipboardItemImageData"_qs).value(0).toLatin1())
                    == flavours.first().second);
        kavla.kill();
        QCOMPARE(kavla.query(check), QStringList{expected});
    }

    // What real applications offered, captured once (tests/fixtures/clipboard/capture.sh) and
    // played back with the window identity they had: what is recorded, from which application,
    // and what comes back on the clipboard when the application quits.
    void replaysWhatApplicationsOffer_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("ignored"); // an ID on the ignore list, or empty
        QTest::addColumn<QString>("newest");  // NewestSql's row and the source; empty: nothing recorded
        QTest::addColumn<QString>("putBack"); // TARGET=bytes offered after the application quits
        const QString table = u"Fruta\tCor\tPeso\nMaçã\tvermelha\t150\nBanana\tamarela\t120\nUva\troxa\t5\n"_qs;
        const QString calc = u"|libreoffice-calc|LibreOffice Calc"_qs;
        const QString paths = u"[\"/tmp/kavla-exemplo/pasta\",\"/tmp/kavla-exemplo/foto.png\",\"/tmp/kavla-exemplo/notas.txt\"]"_qs;
        const QString copiedFiles = u"x-special/gnome-copied-files=copy\nfile:///tmp/kavla-exemplo/pasta\n"
                                    "file:///tmp/kavla-exemplo/foto.png\nfile:///tmp/kavla-exemplo/notas.txt"_qs;
        const auto row = [](const char *name, const char *fixture, const QString &newest, const QString &putBack = {},
                            const QString &ignored = {}) {
            QTest::newRow(name) << QString::fromLatin1(fixture) << ignored << newest << putBack;
        };
        const QString chromium = u"|chromium|Chromium Web Browser"_qs;
        row("LibreOffice Calc range: a table, not its picture", "calc-range", u"table|"_qs + table + u"||0|0"_qs + calc,
            u"text/rtf={\\rtf\\ansi\n{\\fonttbl{\\f0\\fswiss Liberation Sans;}}\n{\n\\trowd\\cellx1440\\cellx2880\\cellx4320\\pard\\plain\\intbl\\f0\\fs20 Fruta\\cell"
               " Cor\\cell Peso\\cell\\row\n\\trowd\\cellx1440\\cellx2880\\cellx4320\\pard\\plain\\intbl\\f0\\fs20 Ma\\u231?\\u227?"
               "\\cell vermelha\\cell 150\\cell\\row\n\\trowd\\cellx1440\\cellx2880\\cellx4320\\pard\\plain\\intbl\\f0\\fs20 Banana"
               "\\cell amarela\\cell 120\\cell\\row\n\\trowd\\cellx1440\\cellx2880\\cellx4320\\pard\\plain\\intbl\\f0\\fs20 Uva"
               "\\cell roxa\\cell 5\\cell\\row\n}\n}"_qs);
        row("LibreOffice Calc cell: a text", "calc-cell", u"text|Maçã||0|0"_qs + calc, u"UTF8_STRING=Maçã"_qs);
        row("LibreOffice ignored by its toolkit ID", "calc-cell", {}, {}, u"org.libreoffice"_qs);
        row("PCManFM files, the list ending in a NUL", "pcmanfm-files",
            u"file||%1|0|0|pcmanfm|File Manager PCManFM"_qs.arg(paths), copiedFiles);
        row("Thunar files", "thunar-files", u"file||%1|0|0|thunar|Thunar File Manager"_qs.arg(paths), copiedFiles);
        row("Chromium: Copy image", "chromium-image", u"image|||64|48"_qs + chromium);
        row("Chromium: a table", "chromium-table", u"table|Norte\t12\nSul\t7||0|0"_qs + chromium,
            u"text/tab-separated-values=Norte\t12\nSul\t7"_qs);
        row("Chromium: text", "chromium-text", u"text|Texto de exemplo para copiar.\n\n||0|0"_qs + chromium,
            u"UTF8_STRING=Texto de exemplo para copiar.\n\n"_qs);
        row("KeePassXC password", "keepassxc-password", {});
        row("KeePassXC password, not on the ignore list", "keepassxc-password", {}, {}, u"org.example.Other"_qs);
    }

    void replaysWhatApplicationsOffer()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, ignored);
        QFETCH(QString, newest);
        QFETCH(QString, putBack);
        const QString path = QStringLiteral(KAVLA_SOURCE_DIR "/tests/fixtures/clipboard/") + fixture + u".clip"_qs;
        QFile capture(path);
        QVERIFY(capture.open(QIODevice::ReadOnly));
        KavlaProcess kavla(m_display.environment());
        // The application's desktop file, as far as the capture kept it.
        QMap<QString, QByteArray> desktopFiles;
        for (QByteArray line; !(line = capture.readLine()).startsWith("offer ");) {
            const QList<QByteArray> words = line.trimmed().split(' ');
            if (words.value(0) == "desktop")
                desktopFiles[QString::fromUtf8(words.value(1))] += line.trimmed().mid(words[0].size() + words[1].size() + 2) + '\n';
        }
        for (auto it = desktopFiles.cbegin(); it != desktopFiles.cend(); ++it)
            QVERIFY(kavla.installApplication(it.key(), it.value()));
        if (!ignored.isEmpty())
            QVERIFY(kavla.writePreferences("{\"Kavla_IgnoredApplications\": {\"type\": \"data\", \"value\": \""
                                        + ("[{\"bundleIdentifier\":\"" + ignored.toUtf8() + "\",\"name\":\"App\"}]").toBase64()
                                        + "\"}}"));
        QVERIFY(kavla.startReady());
        ClipboardOwner application(m_display);
        const QString window = application.showFixture(path);
        QVERIFY(!window.isEmpty() && activate(window));
        QVERIFY(application.copyFixture());

        const QString rows = NewestSql.section(u" FROM"_qs, 0, 0) + u", sourceAppBundleId, sourceAppName FROM"_qs
                             + NewestSql.section(u" FROM"_qs, 1);
        if (newest.isEmpty()) {
            // A later copy, once the application has quit, is recorded: this one was examined
            // and left out.
            QVERIFY(application.quit());
            ClipboardOwner next(m_display);
            QVERIFY(next.offer(text("depois")));
            QVERIFY(kavla.waitForQuery(CountSql, u"1"_qs));
            QCOMPARE(kavla.query(u"SELECT textContent FROM ClipboardItem"_qs), QStringList{u"depois"_qs});
            return;
        }
        QVERIFY2(kavla.waitForQuery(rows, newest), qPrintable(kavla.query(rows).join(u'\n') + kavla.errors()));
        QCOMPARE(kavla.query(CountSql), QStringList{u"1"_qs});
        QVERIFY(application.quit());
        if (!putBack.isEmpty())
            QCOMPARE(clipboard(putBack.section(u'=', 0, 0), putBack.section(u'=', 1), 5000), putBack.section(u'=', 1));
        QCOMPARE(kavla.terminate(), 0);
    }

    // Every desktop service of Kavla speaks X11: whatever the session says, Kavla runs on the X
    // display it finds and records copies there.
    void runsOnX11WhateverTheSessionSays_data()
    {
        QTest::addColumn<QStringList>("variables"); // NAME=value
        QTest::addColumn<QString>("why");           // the start's line naming the backend
        const QString noSession = u"watching the X11 clipboard: no Wayland session (WAYLAND_DISPLAY is not set)"_qs;
        QTest::newRow("QT_QPA_PLATFORM=wayland without a compositor") << QStringList{u"QT_QPA_PLATFORM=wayland"_qs} << noSession;
        QTest::newRow("a Wayland session whose display is gone")
            << QStringList{u"XDG_SESSION_TYPE=wayland"_qs, u"WAYLAND_DISPLAY=wayland-gone"_qs}
            << u"watching the X11 clipboard: no Wayland compositor answers at \"wayland-gone\""_qs;
    }

    void runsOnX11WhateverTheSessionSays()
    {
        QFETCH(QStringList, variables);
        QFETCH(QString, why);
        QProcessEnvironment environment = m_display.environment();
        environment.remove(u"WAYLAND_DISPLAY"_qs);
        for (const QString &variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        KavlaProcess kavla(environment);
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        QCOMPARE(kavla.errors().count(u"watching the "_qs), 1);
        QVERIFY2(kavla.errors().contains(why), qPrintable(kavla.errors()));
        ClipboardOwner owner(m_display);
        QVERIFY(owner.offer(text("delta")));
        QVERIFY2(kavla.waitForQuery(CountSql, QStringLiteral("1")), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

    void sourceApplicationAndIgnoredApplication()
    {
        KavlaProcess kavla(m_display.environment());
        // Installed applications: an editor, and Bitwarden, which the default ignore list names.
        QVERIFY(kavla.installApplication(u"org.example.Editor"_qs, "Name=Editor de Exemplo\n"));
        QVERIFY(kavla.installApplication(u"bitwarden"_qs, "Name=Bitwarden\n"));
        QVERIFY(kavla.startReady());

        ClipboardOwner passwords(m_display, QStringLiteral("bitwarden"));
        ClipboardOwner editor(m_display, QStringLiteral("org.example.Editor"));
        const QString passwordsWindow = passwords.showWindow(QStringLiteral("Cofre"));
        const QString editorWindow = editor.showWindow(QStringLiteral("Editor"));
        QVERIFY(!passwordsWindow.isEmpty() && !editorWindow.isEmpty());

        QVERIFY(activate(passwordsWindow));
        QVERIFY(passwords.offer(text("senha secreta")));
        // The application in front when the copy was made decides, even when the user switches
        // windows right after copying.
        QTest::qWait(10);
        QVERIFY(activate(editorWindow));
        QVERIFY(editor.offer(text("texto do editor")));
        const QString rows = QStringLiteral("SELECT textContent, sourceAppBundleId, sourceAppName FROM ClipboardItem");
        QVERIFY2(kavla.waitForQuery(rows, QStringLiteral("texto do editor|org.example.Editor|Editor de Exemplo")),
                 qPrintable(kavla.query(rows).join(QLatin1Char('\n')) + kavla.errors()));
        QCOMPARE(kavla.query(CountSql), QStringList{QStringLiteral("1")});
        QCOMPARE(kavla.terminate(), 0);
    }

    void captureSwitchesFallThrough_data()
    {
        QTest::addColumn<QByteArray>("preferences");
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<QString>("newest"); // empty: nothing recorded

        // What each switch leaves out is classified by the unit tests; here the switches come from
        // the preferences file, in both of its forms, and the log says why a copy was left out.
        QTest::newRow("image off: image alone is nothing")
            << QByteArray(R"({"enableCaptureImage": false})") << Flavours{{QStringLiteral("image/png"), pngBytes(30, 10)}}
            << QString();
        QTest::newRow("text off: text is nothing")
            << QByteArray(R"({"enableCaptureText": {"type": "boolean", "value": false}})") << text("nada") << QString();
        QTest::newRow("a string is not a switch")
            << QByteArray(R"({"enableCaptureText": {"type": "string", "value": "false"}})") << text("sim")
            << QStringLiteral("text|sim||0|0");
    }

    void captureSwitchesFallThrough()
    {
        QFETCH(QByteArray, preferences);
        QFETCH(Flavours, flavours);
        QFETCH(QString, newest);
        KavlaProcess kavla(m_display.environment());
        kavla.setVariable(u"QT_LOGGING_RULES"_qs, u"kavla.capture=true"_qs);
        QVERIFY(kavla.writePreferences(preferences));
        QVERIFY(kavla.startReady());
        ClipboardOwner owner(m_display);
        QVERIFY(owner.offer(flavours));
        if (newest.isEmpty()) {
            // Kavla says why the copy was left out, and records the next one.
            QVERIFY2(kavla.waitForOutput(u"and capture is switched off for "_qs, 5000), qPrintable(kavla.errors()));
            QVERIFY(owner.offer({{QStringLiteral("text/tab-separated-values"), "x"}, {QStringLiteral("text/plain"), "depois\t1"}}));
            QVERIFY(kavla.waitForQuery(CountSql, QStringLiteral("1")));
            QCOMPARE(kavla.query(QStringLiteral("SELECT textContent FROM ClipboardItem")), QStringList{QStringLiteral("depois\t1")});
        } else {
            QVERIFY2(kavla.waitForQuery(NewestSql, newest), qPrintable(kavla.query(NewestSql).join(QLatin1Char('\n'))));
            QCOMPARE(kavla.query(CountSql), QStringList{QStringLiteral("1")});
        }
        QCOMPARE(kavla.terminate(), 0);
    }

    // What the clipboard held before the start is not recorded. The first capture stores the
    // default capacity; the file write is coalesced, and SIGTERM right after the capture must
    // still find it written.
    void contentPresentAtStartIsNotRecorded()
    {
        ClipboardOwner owner(m_display);
        QVERIFY(owner.offer(text("antes do início")));
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        QVERIFY(owner.offer(text("depois do início")));
        QVERIFY2(kavla.waitForQuery(CountSql, QStringLiteral("1")), qPrintable(kavla.errors()));
        QCOMPARE(kavla.query(QStringLiteral("SELECT textContent FROM ClipboardItem")),
                 QStringList{QStringLiteral("depois do início")});
        QCOMPARE(kavla.terminate(), 0);
        QCOMPARE(kavla.storedPreference(u"maxHistoryCount"_qs).toInt(), 30);
    }

    void quickCopiesAreAllRecorded()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.writePreferences(R"({"maxHistoryCount": {"type": "integer", "value": 100}})"));
        QVERIFY(kavla.startReady());
        ClipboardOwner owner(m_display);
        constexpr int copies = 40;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < copies; ++i) {
            QVERIFY(owner.offer(text("cópia " + QByteArray::number(i))));
            // One copy every 0.5 s, measured from the start so delays do not add up.
            QTest::qWait(int(qMax<qint64>(0, (i + 1) * 500 - clock.elapsed())));
        }
        QVERIFY2(kavla.waitForQuery(CountSql, QString::number(copies)), qPrintable(kavla.query(CountSql).value(0)));
        QCOMPARE(kavla.query(QStringLiteral("SELECT count(DISTINCT textContent) FROM ClipboardItem")),
                 QStringList{QString::number(copies)});
        QCOMPARE(kavla.terminate(), 0);
    }

    // A text larger than an entry may hold is refused with one line, unread, and the next copy
    // is recorded.
    void oversizedTextIsRefusedAndTheNextCopyRecorded()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        ClipboardOwner owner(m_display);
        QVERIFY(owner.offer(text(QByteArray(300'000'000, 'x'))));
        // The size the owner announced, not how far Kavla read.
        QVERIFY2(kavla.waitForOutput(QStringLiteral("Erro ao salvar texto no histórico: a text of 286.10 MiB is larger "
                                                    "than the 256.00 MiB"),
                                     30000),
                 qPrintable(kavla.output()));
        QVERIFY(owner.offer(text("depois")));
        QVERIFY(kavla.waitForQuery(NewestSql, QStringLiteral("text|depois||0|0"), 10000));
        QCOMPARE(kavla.output().count(QStringLiteral("Erro ao salvar")), 1);
        QCOMPARE(kavla.terminate(), 0);
    }

    // What comes back on the clipboard when the application that made a copy quits, and what
    // is recorded of it: a marked secret never, nor a copy made in an ignored application. With
    // the capture diagnostics on, Kavla says why.
    void ownerQuitting_data()
    {
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<bool>("inIgnoredApplication");
        QTest::addColumn<QString>("keptOnClipboard"); // empty: the clipboard stays empty
        QTest::addColumn<QString>("why");             // said on standard error under "kavla.capture"
        const QByteArray hint("x-kde-passwordManagerHint");
        QTest::newRow("recorded text is kept") << text("guardado") << false << u"guardado"_qs << u"recorded as the"_qs;
        QTest::newRow("marked secret") << Flavours{{u"text/plain"_qs, "senha"}, {QString::fromLatin1(hint), "secret"}}
                                       << false << QString() << u"skipped: a password manager marked it"_qs;
        QTest::newRow("copy in an ignored application") << text("senha") << true << QString()
                                                        << u"(bitwarden) is on the ignore list"_qs;
    }

    void ownerQuitting()
    {
        QFETCH(Flavours, flavours);
        QFETCH(bool, inIgnoredApplication);
        QFETCH(QString, keptOnClipboard);
        QFETCH(QString, why);
        KavlaProcess kavla(m_display.environment());
        kavla.setVariable(u"QT_LOGGING_RULES"_qs, u"kavla.*=true"_qs);
        QVERIFY(kavla.installApplication(u"bitwarden"_qs, "Name=Bitwarden\n"));
        QVERIFY(kavla.startReady());
        // An ordinary window is in front, unless the copy is made in the password manager.
        ClipboardOwner owner(m_display, inIgnoredApplication ? u"bitwarden"_qs : u"org.example.Editor"_qs);
        QVERIFY(activate(owner.showWindow(u"Janela"_qs)));
        QVERIFY(owner.offer(flavours));
        const QString rows = QStringLiteral("SELECT group_concat(textContent) FROM ClipboardItem");
        if (!keptOnClipboard.isEmpty())
            QVERIFY2(kavla.waitForQuery(rows, keptOnClipboard), qPrintable(kavla.errors()));
        else
            QTest::qWait(500);
        QVERIFY(owner.quit());
        // Kept: back within a second; otherwise the secret is still not there a second later.
        const QString onClipboard = clipboard({}, keptOnClipboard.isEmpty() ? u"senha"_qs : keptOnClipboard, 1000);
        if (!keptOnClipboard.isEmpty())
            QCOMPARE(onClipboard, keptOnClipboard);
        else
            QVERIFY2(!onClipboard.contains(u"senha"_qs), qPrintable(onClipboard));
        QCOMPARE(kavla.query(rows).value(0), keptOnClipboard);
        // The next plain copy is recorded as usual.
        ClipboardOwner next(m_display);
        QVERIFY(next.offer(text("depois")));
        QVERIFY2(kavla.waitForQuery(QStringLiteral("SELECT textContent FROM ClipboardItem ORDER BY copiedAt DESC LIMIT 1"),
                                    u"depois"_qs),
                 qPrintable(kavla.errors()));
        QVERIFY2(kavla.waitForOutput(why, 5000) && kavla.errors().contains(u"kavla.capture: "_qs), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
    }

    // A secret copied without a mark, from a terminal through xclip, is in the history at most
    // until its tool clears the clipboard or puts back what it held before, never after.
    // helpers/clip_secret.sh stands in for keepassxc-cli clip and pass -c.
    void secretsByBehaviour_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("history"); // the texts at the end, newest first
        QTest::addColumn<QString>("onClipboard");
        QTest::newRow("cleared after 1 s, like keepassxc-cli clip") << u"clear"_qs << 1 << u"antes"_qs << QString();
        QTest::newRow("what was before put back after 45 s, like pass -c")
            << u"restore"_qs << 45 << u"antes"_qs << u"antes"_qs;
    }

    void secretsByBehaviour()
    {
        QFETCH(QString, mode);
        QFETCH(int, seconds);
        QFETCH(QString, history);
        QFETCH(QString, onClipboard);
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        ClipboardOwner owner(m_display);
        QVERIFY(owner.offer(text("antes")));
        QVERIFY(kavla.waitForQuery(CountSql, QStringLiteral("1")));

        QProcess tool;
        tool.setProcessEnvironment(m_display.environment());
        tool.start(QStringLiteral(KAVLA_SOURCE_DIR "/tests/e2e/helpers/clip_secret.sh"),
                   {mode, QString::number(seconds), u"s3nh4-e2e"_qs});
        QVERIFY(kavla.waitForQuery(QStringLiteral("SELECT count(*) FROM ClipboardItem WHERE textContent = 's3nh4-e2e'"),
                                   QStringLiteral("1"), 10000));
        QVERIFY(tool.waitForFinished((seconds + 10) * 1000));
        QCOMPARE(tool.exitCode(), 0);
        const QString texts = QStringLiteral("SELECT group_concat(textContent) FROM (SELECT textContent FROM ClipboardItem"
                                             " ORDER BY copiedAt DESC)");
        QVERIFY2(kavla.waitForQuery(texts, history), qPrintable(kavla.query(texts).value(0)));
        QCOMPARE(clipboard(), onClipboard);
        QCOMPARE(kavla.terminate(), 0);
        // One line when it was forgotten, which does not carry it.
        QCOMPARE(kavla.output().count(u"Cópia esquecida como senha"_qs), history.contains(u"s3nh4-e2e"_qs) ? 0 : 1);
        QVERIFY(!kavla.output().contains(u"s3nh4-e2e"_qs));
    }

    // An owner that takes the clipboard and never answers: the interface does not wait for it.
    void unansweringOwnerKeepsTheInterfaceResponsive()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        ClipboardOwner stuck(m_display);
        QVERIFY(stuck.offer(text("nunca lido"), 30000));
        QTest::qWait(200); // Kavla is now waiting for the owner, on its reading thread
        QElapsedTimer clock;
        clock.start();
        m_display.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("super+shift+v")});
        QVERIFY2(kavla.waitForOutput(QStringLiteral("history popup shown"), 2000), qPrintable(kavla.errors()));
        qInfo("popup shown %lld ms after the hot key, with a hung owner", qint64(clock.elapsed()));
        QCOMPARE(kavla.terminate(), 0);
    }

    // The next copy of another application abandons the hung read and is recorded well before
    // that read would have timed out; the hung copy never is.
    void unansweringOwnerDelaysNoOtherCopy()
    {
        KavlaProcess kavla(m_display.environment());
        QVERIFY(kavla.startReady());
        ClipboardOwner stuck(m_display);
        ClipboardOwner next(m_display);
        QVERIFY(stuck.offer(text("nunca lido"), 30000));
        QTest::qWait(200);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(next.offer(text("lido depois")));
        QVERIFY2(kavla.waitForQuery(QStringLiteral("SELECT group_concat(textContent) FROM ClipboardItem"),
                                    QStringLiteral("lido depois"), 1500),
                 qPrintable(QString::number(clock.elapsed()) + kavla.errors()));
        qInfo("next copy recorded %lld ms after it was made", qint64(clock.elapsed()));
        QCOMPARE(kavla.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(CaptureTest)
#include "tst_e2e_capture.moc"
