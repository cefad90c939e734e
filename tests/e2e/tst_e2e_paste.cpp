// Pasting after choosing with the real binary on a private display with a window manager: with
// "pasteAfterChoosing" on, Ctrl+2 in the popup puts the second entry into the window that was in
// front, a Qt text field of another application and an xterm, which pastes the primary selection
// that Kavla gives up again afterwards.
#include "support/KavlaProcess.h"
#include "support/VirtualDisplay.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class PasteTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_display.start(VirtualDisplay::Options{true, false}), "Xvfb or openbox did not start");
    }

    void ctrl2PastesTheSecondEntryIntoTheWindowInFront_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("key");
        QTest::newRow("Qt text field") << u"field"_qs << u"Ctrl+V"_qs;
        QTest::newRow("xterm") << u"xterm"_qs << u"Shift+Insert"_qs;
    }

    void ctrl2PastesTheSecondEntryIntoTheWindowInFront()
    {
        QFETCH(QString, target);
        QFETCH(QString, key);

        KavlaProcess kavla(m_display.environment());
        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        QCOMPARE(kavla.terminate(), 0);
        QVERIFY(kavla.seedHistory({u"first entry"_qs, u"second entry"_qs, u"third entry"_qs}));
        QVERIFY(kavla.writePreferences(R"({"pasteAfterChoosing": {"type": "boolean", "value": true}})"));

        // The other application, in front.
        QTemporaryDir folder;
        const QString typedFile = folder.filePath(u"typed"_qs);
        QProcess other;
        other.setProcessEnvironment(m_display.environment());
        if (target == u"field") {
            other.start(QStringLiteral(KAVLA_BINARY_DIR "/kavla_other_window"), {u"Paste target"_qs});
        } else {
            // Characters reach cat as they come, without waiting for a line.
            other.start(u"xterm"_qs, {u"-title"_qs, u"Paste target"_qs, u"-e"_qs, u"sh"_qs, u"-c"_qs,
                                      u"stty -icanon -echo; exec cat > '%1'"_qs.arg(typedFile)});
        }
        QVERIFY2(other.waitForStarted(5000), qPrintable(other.errorString()));
        const auto stop = qScopeGuard([&other] {
            other.kill();
            other.waitForFinished(3000);
        });
        int status = -1;
        const QString window = m_display.run(u"xdotool"_qs, {u"search"_qs, u"--sync"_qs, u"--name"_qs, u"^Paste target$"_qs},
                                             &status, 15000).trimmed().split(u'\n').first();
        QVERIFY2(status == 0 && !window.isEmpty(), "the other application's window did not appear");
        m_display.run(u"xdotool"_qs, {u"windowactivate"_qs, u"--sync"_qs, window});
        if (target == u"xterm")
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(typedFile), 10000);

        QVERIFY2(kavla.startReady(), qPrintable(kavla.errors()));
        m_display.run(u"xdotool"_qs, {u"key"_qs, u"super+shift+v"_qs});
        QVERIFY2(kavla.waitForOutput(u"history popup shown"_qs), qPrintable(kavla.errors()));
        m_display.run(u"xdotool"_qs, {u"key"_qs, u"ctrl+2"_qs});
        QVERIFY2(kavla.waitForOutput(u"pasted the chosen entry with "_qs + key), qPrintable(kavla.errors()));

        if (target == u"field") {
            QString shown;
            QTRY_VERIFY_WITH_TIMEOUT((shown += QString::fromUtf8(other.readAllStandardOutput())).contains(u"text: second entry\n"_qs),
                                     10000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(fileText(typedFile), u"second entry"_qs, 10000);
            // Once xterm has taken it, the primary selection is given up: a later middle click
            // does not paste the entry again.
            QVERIFY2(kavla.waitForOutput(u"primary selection given up after the paste"_qs), qPrintable(kavla.errors()));
            int status = 0;
            const QString primary = m_display.run(u"xclip"_qs, {u"-o"_qs, u"-selection"_qs, u"primary"_qs}, &status);
            QVERIFY2(status != 0 && primary.isEmpty(), qPrintable(primary));
        }
        QCOMPARE(kavla.terminate(), 0);
    }

private:
    VirtualDisplay m_display;
};

QTEST_GUILESS_MAIN(PasteTest)
#include "tst_e2e_paste.moc"
