// Capture of clipboard content into the history, and the operations on the stored history:
// classification, the refresh of a repeated text, the history limit and the copy-back.
#include "fakes/FakePasteboard.h"
#include "fakes/FakeWorkspace.h"
#include "fakes/MemoryDefaultsStore.h"
#include "fakes/StdoutCapture.h"
#include "services/ClipboardMonitor.h"
#include "services/IgnoredAppsManager.h"
#include "services/Preferences.h"
#include "store/FetchDescriptor.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QMimeData>
#include <QSqlDatabase>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using Flavours = QList<QPair<QString, QByteArray>>;

namespace {

const QString Browser = QStringLiteral("org.mozilla.firefox");

QByteArray encodedImage(const char *format, int width, int height, int dotsPerInch = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 200));
    if (dotsPerInch > 0) {
        image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        qFatal("cannot encode a test image");
    return bytes;
}

Flavours text(const QString &value)
{
    return {{QStringLiteral("text/plain"), value.toUtf8()}};
}

QByteArray uriList(const QStringList &paths)
{
    QByteArray list;
    for (const QString &path : paths)
        list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
    return list;
}

// One monitor over a fresh store, with fakes for everything the desktop provides.
struct Harness
{
    QTemporaryDir folder;
    std::unique_ptr<ModelContainer> container;
    MemoryDefaultsStore defaults;
    Preferences preferences{&defaults};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    FakeApplicationPicker picker;
    FakeAlertSound sound;
    std::unique_ptr<IgnoredAppsManager> ignoredApps;
    std::unique_ptr<ClipboardMonitor> monitor;

    Harness()
    {
        QString error;
        container = ModelContainer::open(folder.filePath(QStringLiteral("history.sqlite")), &error);
        if (!container)
            qFatal("cannot open the store: %s", qPrintable(error));
        workspace.installed.insert(QStringLiteral("com.bitwarden.desktop"), QStringLiteral("/apps/bitwarden.desktop"));
        workspace.frontmost = {Browser, QStringLiteral("Firefox")};
        ignoredApps = std::make_unique<IgnoredAppsManager>(&preferences, &workspace, &picker);
        monitor = std::make_unique<ClipboardMonitor>(&pasteboard, &workspace, &preferences,
                                                     ignoredApps.get(), &sound);
        monitor->configure(container.get());
    }

    ModelContext *context() const { return container->mainContext(); }

    QList<ClipboardItemPtr> history() const
    {
        return context()->fetch(FetchDescriptor::historyNewestFirst()).value_or(QList<ClipboardItemPtr>());
    }

    // Another application copies, and the next poll runs.
    void copy(const Flavours &flavours)
    {
        pasteboard.setContents(flavours);
        monitor->checkForChanges();
    }

    ClipboardItemPtr saved(const QString &type, const QString &content, const QDateTime &copiedAt,
                           bool pinned = false)
    {
        auto item = std::make_shared<ClipboardItem>(
            QUuid::createUuid(), copiedAt, copiedAt, type, content, std::nullopt, std::nullopt,
            QStringLiteral("old.app"), QStringLiteral("Old"), 0, 0, 0.0, 0.0, pinned);
        context()->insert(item);
        if (!context()->save())
            qFatal("cannot save a test record");
        return item;
    }
};

} // namespace

class ClipboardMonitorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classification_data()
    {
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<QStringList>("switchedOff");
        QTest::addColumn<QString>("contentType"); // empty: nothing recorded
        QTest::addColumn<QString>("textContent");

        const QStringList none;
        QTest::newRow("plain text") << text(QStringLiteral("olá mundo")) << none << QStringLiteral("text")
                                    << QStringLiteral("olá mundo");
        QTest::newRow("text kept untrimmed") << text(QStringLiteral("  a \n")) << none
                                             << QStringLiteral("text") << QStringLiteral("  a \n");
        QTest::newRow("only spaces and newlines") << text(QStringLiteral(" \n\t \r\n")) << none << QString() << QString();
        QTest::newRow("empty text") << text(QString()) << none << QString() << QString();
        QTest::newRow("two lines with tabs") << text(QStringLiteral("a\tb\nc\td\n")) << none
                                             << QStringLiteral("table") << QStringLiteral("a\tb\nc\td\n");
        QTest::newRow("tabbed lines with table capture off")
            << text(QStringLiteral("a\tb\nc\td")) << QStringList{QStringLiteral("enableCaptureTable")}
            << QStringLiteral("text") << QStringLiteral("a\tb\nc\td");
        QTest::newRow("one line without a tab") << text(QStringLiteral("a\tb\nc d\ne\tf")) << none
                                                << QStringLiteral("text") << QStringLiteral("a\tb\nc d\ne\tf");
        QTest::newRow("one tabbed line is not a table") << text(QStringLiteral("a\tb\n\n")) << none
                                                        << QStringLiteral("text") << QStringLiteral("a\tb\n\n");
        QTest::newRow("blank lines are dropped, space-only ones are not")
            << text(QStringLiteral("a\tb\n\n \nc\td")) << none << QStringLiteral("text")
            << QStringLiteral("a\tb\n\n \nc\td");
        QTest::newRow("TSV type marker")
            << Flavours{{QStringLiteral("text/tab-separated-values"), "x"}, {QStringLiteral("text/plain"), "Nome Idade"}}
            << none << QStringLiteral("table") << QStringLiteral("Nome Idade");
        QTest::newRow("markers are case-sensitive")
            << Flavours{{QStringLiteral("text/TAB-separated-values"), "x"}, {QStringLiteral("text/plain"), "Nome"}}
            << none << QStringLiteral("text") << QStringLiteral("Nome");
        QTest::newRow("HTML table")
            << Flavours{{QStringLiteral("text/html"), "<meta charset=utf-8><table><tr><td>1</td></tr></table>"},
                        {QStringLiteral("text/plain"), "1"}}
            << none << QStringLiteral("table") << QStringLiteral("1");
        QTest::newRow("HTML table without plain text")
            << Flavours{{QStringLiteral("text/html"), "<table><tr><td>1</td></tr></table>"}} << none << QString() << QString();
        QTest::newRow("HTML without a table")
            << Flavours{{QStringLiteral("text/html"), "<b>1</b>"}, {QStringLiteral("text/plain"), "1"}}
            << none << QStringLiteral("text") << QStringLiteral("1");
        QTest::newRow("web link only counts as its text")
            << Flavours{{QStringLiteral("text/uri-list"), "https://example.org/a.png\r\n"},
                        {QStringLiteral("text/plain"), "https://example.org/a.png"}}
            << none << QStringLiteral("text") << QStringLiteral("https://example.org/a.png");
        QTest::newRow("all four switches off")
            << text(QStringLiteral("x"))
            << QStringList{QStringLiteral("enableCaptureText"), QStringLiteral("enableCaptureImage"),
                           QStringLiteral("enableCaptureTable"), QStringLiteral("enableCaptureFile")}
            << QString() << QString();
        QTest::newRow("text capture off") << text(QStringLiteral("x")) << QStringList{QStringLiteral("enableCaptureText")}
                                          << QString() << QString();
    }

    void classification()
    {
        QFETCH(Flavours, flavours);
        QFETCH(QStringList, switchedOff);
        QFETCH(QString, contentType);
        QFETCH(QString, textContent);

        Harness h;
        for (const QString &key : switchedOff)
            h.defaults.set(key, false);
        h.copy(flavours);

        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
        if (contentType.isEmpty()) {
            QCOMPARE(history.size(), 0);
            return;
        }
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first()->contentType(), contentType);
        QCOMPARE(history.first()->textContent().value_or(QString()), textContent);
        QCOMPARE(history.first()->sourceAppBundleId().value_or(QString()), Browser);
        QCOMPARE(history.first()->sourceAppName().value_or(QString()), QStringLiteral("Firefox"));
        QVERIFY(!history.first()->isPinned());
    }

    void captureSwitchesAcceptOnlyStoredBooleans_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("missing") << QVariant() << true;
        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        QTest::newRow("a string") << QVariant(QStringLiteral("false")) << true;
        QTest::newRow("zero") << QVariant(qint64(0)) << true;
    }

    void captureSwitchesAcceptOnlyStoredBooleans()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, recorded);
        Harness h;
        h.defaults.set(QStringLiteral("enableCaptureText"), stored);
        h.copy(text(QStringLiteral("x")));
        QCOMPARE(h.history().size(), recorded ? 1 : 0);
    }

    void images_data()
    {
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<QByteArray>("storedFormat"); // "same": the first flavour's bytes unchanged
        QTest::addColumn<QSizeF>("size");

        const QByteArray png = encodedImage("png", 40, 30);
        const QByteArray png144 = encodedImage("png", 40, 30, 144);
        const QByteArray tiff = encodedImage("tiff", 64, 48, 144);
        const QByteArray jpeg = encodedImage("jpeg", 50, 20, 144);
        const QByteArray bmp = encodedImage("bmp", 8, 6);
        QTest::newRow("PNG") << Flavours{{QStringLiteral("image/png"), png}} << QByteArray("same") << QSizeF(40, 30);
        QTest::newRow("PNG at 144 dpi is half its pixels in points")
            << Flavours{{QStringLiteral("image/png"), png144}} << QByteArray("same") << QSizeF(20, 15);
        QTest::newRow("TIFF only becomes PNG with its pixel size")
            << Flavours{{QStringLiteral("image/tiff"), tiff}} << QByteArray("png") << QSizeF(64, 48);
        QTest::newRow("PNG that does not decode falls to TIFF")
            << Flavours{{QStringLiteral("image/png"), "not a png"}, {QStringLiteral("image/tiff"), tiff}}
            << QByteArray("png") << QSizeF(64, 48);
        QTest::newRow("JPEG only") << Flavours{{QStringLiteral("image/jpeg"), jpeg}} << QByteArray("same") << QSizeF(25, 10);
        QTest::newRow("another image type") << Flavours{{QStringLiteral("image/bmp"), bmp}} << QByteArray("png") << QSizeF(8, 6);
        QTest::newRow("image wins over text")
            << Flavours{{QStringLiteral("image/png"), png}, {QStringLiteral("text/plain"), "caption"}}
            << QByteArray("same") << QSizeF(40, 30);
    }

    void images()
    {
        QFETCH(Flavours, flavours);
        QFETCH(QByteArray, storedFormat);
        QFETCH(QSizeF, size);

        Harness h;
        h.copy(flavours);
        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(history.size(), 1);
        const ClipboardItemPtr item = history.first();
        QCOMPARE(item->contentType(), QStringLiteral("image"));
        QVERIFY(qAbs(item->imageWidth() - size.width()) < 0.01);
        QVERIFY(qAbs(item->imageHeight() - size.height()) < 0.01);
        const QByteArray stored = item->imageData().value_or(QByteArray());
        if (storedFormat == "same")
            QCOMPARE(stored, flavours.first().second);
        else
            QVERIFY(stored.startsWith("\x89PNG"));
        QCOMPARE(h.pasteboard.releases(), 1); // nothing read is kept after the poll
    }

    void imageBytesAreReadOnlyForTheFirstSourceThatSucceeds()
    {
        Harness h;
        h.copy({{QStringLiteral("image/png"), encodedImage("png", 4, 4)},
                {QStringLiteral("image/tiff"), encodedImage("tiff", 4, 4)}});
        QCOMPARE(h.pasteboard.readsOf(QStringLiteral("image/png")), 1);
        QCOMPARE(h.pasteboard.readsOf(QStringLiteral("image/tiff")), 0);
    }

    void files_data()
    {
        QTest::addColumn<QStringList>("names"); // files made in a temporary folder; "missing/..." are not
        QTest::addColumn<QStringList>("switchedOff");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<int>("pathCount");

        const QStringList none;
        QTest::newRow("one image file, upper-case extension") << QStringList{QStringLiteral("foto.PNG")} << none
                                                              << QStringLiteral("image") << 0;
        QTest::newRow("image file with image capture off")
            << QStringList{QStringLiteral("foto.PNG")} << QStringList{QStringLiteral("enableCaptureImage")}
            << QStringLiteral("file") << 1;
        QTest::newRow("image file with image and file capture off falls to text")
            << QStringList{QStringLiteral("foto.PNG")}
            << QStringList{QStringLiteral("enableCaptureImage"), QStringLiteral("enableCaptureFile")}
            << QStringLiteral("text") << 0;
        QTest::newRow("two image files") << QStringList{QStringLiteral("a.png"), QStringLiteral("b.jpg")} << none
                                         << QStringLiteral("file") << 2;
        QTest::newRow("one text file") << QStringList{QStringLiteral("notas.txt")} << none << QStringLiteral("file") << 1;
        QTest::newRow("image file that does not decode") << QStringList{QStringLiteral("falsa.png")} << none
                                                         << QStringLiteral("file") << 1;
        QTest::newRow("image file that is missing") << QStringList{QStringLiteral("missing/sumiu.png")} << none
                                                    << QStringLiteral("file") << 1;
        QTest::newRow("named pipe called .png is not read") << QStringList{QStringLiteral("fifo/cano.png")} << none
                                                            << QStringLiteral("file") << 1;
    }

    void files()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, switchedOff);
        QFETCH(QString, contentType);
        QFETCH(int, pathCount);

        Harness h;
        for (const QString &key : switchedOff)
            h.defaults.set(key, false);
        QTemporaryDir files;
        QStringList paths;
        const QByteArray png = encodedImage("png", 12, 10);
        for (const QString &name : names) {
            const QString path = files.filePath(name);
            paths << path;
            if (name.startsWith(QLatin1String("missing/")))
                continue;
            if (name.startsWith(QLatin1String("fifo/"))) {
                QDir().mkpath(QFileInfo(path).absolutePath());
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                continue;
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.startsWith(QLatin1String("falsa")) || name.endsWith(QLatin1String(".txt")) ? QByteArray("x") : png);
        }
        h.copy({{QStringLiteral("text/uri-list"), uriList(paths)},
                {QStringLiteral("text/plain"), paths.join(QLatin1Char('\n')).toUtf8()}});

        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first()->contentType(), contentType);
        if (contentType == QLatin1String("image")) {
            QCOMPARE(history.first()->imageData().value_or(QByteArray()), png);
            QCOMPARE(history.first()->imageWidth(), 12.0);
        }
        if (contentType == QLatin1String("file")) {
            QCOMPARE(history.first()->filePaths().value_or(QStringList()).size(), pathCount);
            QCOMPARE(history.first()->filePaths().value_or(QStringList()), paths);
        }
    }

    void sourceApplicationDecides_data()
    {
        QTest::addColumn<QString>("frontmost");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("another application") << Browser << true;
        QTest::newRow("Kavla itself") << QStringLiteral("com.tarnwick.Kavla") << false;
        QTest::newRow("an ignored application") << QStringLiteral("com.bitwarden.desktop") << false;
        QTest::newRow("an ignored application in capitals") << QStringLiteral("COM.BITWARDEN.DESKTOP") << false;
        QTest::newRow("no frontmost application") << QString() << true;
    }

    void sourceApplicationDecides()
    {
        QFETCH(QString, frontmost);
        QFETCH(bool, recorded);
        Harness h;
        h.workspace.frontmost = {frontmost, frontmost.isEmpty() ? QString() : QStringLiteral("App")};
        h.copy(text(QStringLiteral("segredo")));
        QCOMPARE(h.history().size(), recorded ? 1 : 0);
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());

        // The same text copied later from another application is recorded.
        h.workspace.frontmost = {Browser, QStringLiteral("Firefox")};
        h.copy(text(QStringLiteral("segredo")));
        QCOMPARE(h.history().size(), 1);
        QCOMPARE(h.history().first()->sourceAppBundleId().value_or(QString()), Browser);
    }

    void contentPresentAtStartIsNotRecorded()
    {
        Harness h;
        h.monitor->stopMonitoring();
        h.pasteboard.setText(QStringLiteral("antes"));
        h.monitor->startMonitoring();
        h.monitor->checkForChanges();
        QCOMPARE(h.history().size(), 0);
        h.copy(text(QStringLiteral("depois")));
        QCOMPARE(h.history().size(), 1);
    }

    void idlePollReadsOnlyTheCounter()
    {
        Harness h;
        h.copy(text(QStringLiteral("x")));
        const int frontmost = h.workspace.frontmostQueries;
        const int typeReads = h.pasteboard.typeReads();
        for (int i = 0; i < 5; ++i)
            h.monitor->checkForChanges();
        QCOMPARE(h.workspace.frontmostQueries, frontmost);
        QCOMPARE(h.pasteboard.typeReads(), typeReads);
    }

    void changeDuringAPollIsExaminedByTheNext()
    {
        Harness h;
        // The next copy lands while the poll is still saving the first.
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(h.container.get(), &ModelContainer::didSave, this, [&h, connection] {
            disconnect(*connection);
            h.pasteboard.setText(QStringLiteral("segunda"));
        });
        h.copy(text(QStringLiteral("primeira")));
        h.monitor->checkForChanges();
        QStringList texts;
        for (const ClipboardItemPtr &item : h.history())
            texts << item->textContent().value_or(QString());
        texts.sort();
        QCOMPARE(texts, (QStringList{QStringLiteral("primeira"), QStringLiteral("segunda")}));
    }

    void announcedChangeIsPolledBeforeTheTick()
    {
        Harness h;
        h.pasteboard.setText(QStringLiteral("logo"));
        // Well before the first 0.35 s tick.
        QTRY_COMPARE_WITH_TIMEOUT(h.history().size(), 1, ClipboardMonitor::PollIntervalMs - 100);
    }

    void tickPollsWithoutAnnouncement()
    {
        Harness h;
        QSignalBlocker silent(&h.pasteboard);
        h.pasteboard.setText(QStringLiteral("sem aviso"));
        QTRY_COMPARE_WITH_TIMEOUT(h.history().size(), 1, 3000);
    }

    void startAndStop()
    {
        Harness h;
        QSignalSpy spy(h.monitor.get(), &ClipboardMonitor::isMonitoringChanged);
        QVERIFY(h.monitor->isMonitoring());
        h.monitor->startMonitoring();
        QCOMPARE(spy.count(), 0);
        h.monitor->stopMonitoring();
        QVERIFY(!h.monitor->isMonitoring());
        h.pasteboard.setText(QStringLiteral("parado"));
        QTest::qWait(ClipboardMonitor::PollIntervalMs + 150);
        QCOMPARE(h.history().size(), 0);
        h.monitor->startMonitoring();
        h.monitor->checkForChanges();
        QCOMPARE(h.history().size(), 0); // changes made while stopped are never recorded
    }

    void noContainerMarksHandled()
    {
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        IgnoredAppsManager ignored(&preferences, &workspace, nullptr);
        ClipboardMonitor monitor(&pasteboard, &workspace, &preferences, &ignored, nullptr);
        monitor.startMonitoring();
        pasteboard.setText(QStringLiteral("x"));
        monitor.checkForChanges();
        QCOMPARE(monitor.lastChangeCount(), pasteboard.changeCount());
    }

    void repeatedTextRefreshesOneEntry_data()
    {
        QTest::addColumn<QString>("secondSource");
        QTest::addColumn<QString>("expectedSource");
        QTest::newRow("same application") << Browser << Browser;
        QTest::newRow("another application") << QStringLiteral("org.gnome.TextEditor") << QStringLiteral("org.gnome.TextEditor");
        QTest::newRow("no frontmost application keeps the source") << QString() << Browser;
    }

    void repeatedTextRefreshesOneEntry()
    {
        QFETCH(QString, secondSource);
        QFETCH(QString, expectedSource);
        Harness h;
        h.copy(text(QStringLiteral("repetido")));
        h.copy(text(QStringLiteral("outro")));
        const ClipboardItemPtr first = h.history().last();
        const QDateTime firstCopy = first->copiedAt();
        const QUuid id = first->id();
        QTest::qWait(5);
        h.workspace.frontmost = {secondSource, secondSource.isEmpty() ? QString() : QStringLiteral("Editor")};
        h.copy(text(QStringLiteral("repetido")));

        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(history.size(), 2);
        QCOMPARE(history.first()->id(), id);
        QVERIFY(history.first()->copiedAt() > firstCopy);
        QCOMPARE(history.first()->sourceAppBundleId().value_or(QString()), expectedSource);
        QCOMPARE(history.first()->charCount(), 8);
    }

    void differentTextsAndKindsStayApart_data()
    {
        QTest::addColumn<Flavours>("second");
        QTest::addColumn<int>("entries");
        QTest::newRow("trailing newline differs") << text(QStringLiteral("a\tb\nc\td\n")) << 2;
        QTest::newRow("letter case differs") << text(QStringLiteral("A\tB\nC\tD")) << 2;
        QTest::newRow("same table twice") << text(QStringLiteral("a\tb\nc\td")) << 2;
    }

    void differentTextsAndKindsStayApart()
    {
        QFETCH(Flavours, second);
        QFETCH(int, entries);
        Harness h;
        h.copy(text(QStringLiteral("a\tb\nc\td")));
        h.copy(second);
        QCOMPARE(h.history().size(), entries);
    }

    void textEntryIndependentOfEqualTable()
    {
        Harness h;
        h.defaults.set(QStringLiteral("enableCaptureTable"), false);
        h.copy(text(QStringLiteral("a\tb\nc\td")));
        h.defaults.set(QStringLiteral("enableCaptureTable"), true);
        h.copy(text(QStringLiteral("a\tb\nc\td")));
        h.defaults.set(QStringLiteral("enableCaptureTable"), false);
        h.copy(text(QStringLiteral("a\tb\nc\td")));
        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(history.size(), 2);
        QCOMPARE(history.first()->contentType(), QStringLiteral("text"));
        QCOMPARE(history.last()->contentType(), QStringLiteral("table"));
    }

    void historyLimit_data()
    {
        QTest::addColumn<QVariant>("capacity");
        QTest::addColumn<int>("existing");
        QTest::addColumn<QList<int>>("pinned"); // indexes by age, 0 the oldest
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<bool>("oldestKept");
        QTest::addColumn<QVariant>("storedAfter");

        QTest::newRow("full history drops the oldest") << QVariant(qint64(30)) << 30 << QList<int>{} << 30 << false << QVariant(qint64(30));
        QTest::newRow("pinned oldest stays beyond the limit") << QVariant(qint64(30)) << 30 << QList<int>{0} << 31 << true << QVariant(qint64(30));
        QTest::newRow("every surplus entry pinned") << QVariant(qint64(5)) << 8 << QList<int>{0, 1, 2, 3} << 9 << true << QVariant(qint64(5));
        QTest::newRow("capacity 0 becomes 30") << QVariant(qint64(0)) << 35 << QList<int>{} << 30 << false << QVariant(qint64(30));
        QTest::newRow("negative capacity becomes 30") << QVariant(qint64(-4)) << 31 << QList<int>{} << 30 << false << QVariant(qint64(30));
        QTest::newRow("missing capacity becomes 30") << QVariant() << 30 << QList<int>{} << 30 << false << QVariant(qint64(30));
        QTest::newRow("text capacity becomes 30") << QVariant(QStringLiteral("muitos")) << 30 << QList<int>{} << 30 << false << QVariant(qint64(30));
        QTest::newRow("room left") << QVariant(qint64(50)) << 10 << QList<int>{} << 11 << true << QVariant(qint64(50));
    }

    void historyLimit()
    {
        QFETCH(QVariant, capacity);
        QFETCH(int, existing);
        QFETCH(QList<int>, pinned);
        QFETCH(int, expectedCount);
        QFETCH(bool, oldestKept);
        QFETCH(QVariant, storedAfter);

        Harness h;
        h.defaults.set(QStringLiteral("maxHistoryCount"), capacity);
        const QDateTime base = QDateTime::currentDateTimeUtc().addSecs(-3600);
        ClipboardItemPtr oldest;
        for (int i = 0; i < existing; ++i) {
            ClipboardItemPtr item = h.saved(QStringLiteral("text"), QStringLiteral("item %1").arg(i),
                                            base.addSecs(i), pinned.contains(i));
            if (i == 0)
                oldest = item;
        }
        const QUuid oldestId = oldest->id();
        oldest.reset();
        h.copy(text(QStringLiteral("novo")));

        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(history.size(), expectedCount);
        QCOMPARE(history.first()->textContent().value_or(QString()), QStringLiteral("novo"));
        const bool kept = std::any_of(history.cbegin(), history.cend(),
                                      [&](const ClipboardItemPtr &item) { return item->id() == oldestId; });
        QCOMPARE(kept, oldestKept);
        QCOMPARE(h.defaults.object(QStringLiteral("maxHistoryCount")), storedAfter);
    }

    void refreshedDuplicateDeletesNothing()
    {
        Harness h;
        h.defaults.set(QStringLiteral("maxHistoryCount"), qint64(3));
        h.copy(text(QStringLiteral("a")));
        h.copy(text(QStringLiteral("b")));
        h.copy(text(QStringLiteral("c")));
        h.copy(text(QStringLiteral("a")));
        QCOMPARE(h.history().size(), 3);
    }

    void loweringTheCapacityTrimsAtOnce()
    {
        Harness h;
        const QDateTime base = QDateTime::currentDateTimeUtc().addSecs(-3600);
        for (int i = 0; i < 30; ++i)
            h.saved(QStringLiteral("text"), QString::number(i), base.addSecs(i));
        h.defaults.set(QStringLiteral("maxHistoryCount"), qint64(5));
        h.monitor->enforceHistoryLimit(h.context());
        const QList<ClipboardItemPtr> history = h.history();
        QCOMPARE(history.size(), 5);
        QCOMPARE(history.last()->textContent().value_or(QString()), QStringLiteral("25"));
    }

    void copyBack_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QString>("textContent");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<Flavours>("expected"); // flavours that must be written, with their bytes

        QTest::newRow("text") << QStringLiteral("text") << QStringLiteral("olá") << QStringList()
                              << Flavours{{QStringLiteral("text/plain"), QStringLiteral("olá").toUtf8()}};
        QTest::newRow("table in both flavours") << QStringLiteral("table") << QStringLiteral("a\tb\nc\td") << QStringList()
                                                << Flavours{{QStringLiteral("text/plain"), "a\tb\nc\td"},
                                                            {QStringLiteral("text/tab-separated-values"), "a\tb\nc\td"}};
        QTest::newRow("files, missing ones included")
            << QStringLiteral("file") << QString()
            << QStringList{QStringLiteral("/nao/existe/a.txt"), QStringLiteral("/tmp/b c.txt")}
            << Flavours{{QStringLiteral("text/uri-list"), "file:///nao/existe/a.txt\r\nfile:///tmp/b%20c.txt\r\n"}};
        QTest::newRow("text without content leaves the clipboard empty")
            << QStringLiteral("text") << QString() << QStringList() << Flavours{};
        QTest::newRow("unknown kind is written as text") << QStringLiteral("nota") << QStringLiteral("x") << QStringList()
                                                         << Flavours{{QStringLiteral("text/plain"), "x"}};
    }

    void copyBack()
    {
        QFETCH(QString, contentType);
        QFETCH(QString, textContent);
        QFETCH(QStringList, paths);
        QFETCH(Flavours, expected);

        Harness h;
        const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-600);
        auto item = std::make_shared<ClipboardItem>(
            QUuid::createUuid(), old, old, contentType,
            textContent.isNull() ? std::nullopt : std::optional<QString>(textContent), std::nullopt,
            paths.isEmpty() ? std::nullopt : std::optional<QStringList>(paths), QString(), QString(),
            0, 0, 0.0, 0.0, false);
        h.context()->insert(item);
        QVERIFY(h.context()->save());
        h.copy(text(QStringLiteral("mais novo")));

        h.monitor->copyItemToPasteboard(item, h.context());
        QVERIFY(h.pasteboard.written());
        QStringList formats = h.pasteboard.written()->formats();
        for (const auto &flavour : expected) {
            QVERIFY2(formats.contains(flavour.first), qPrintable(formats.join(QLatin1Char(','))));
            QCOMPARE(h.pasteboard.written()->data(flavour.first), flavour.second);
        }
        if (expected.isEmpty())
            QCOMPARE(formats, QStringList());
        QCOMPARE(h.history().first()->id(), item->id());
        QVERIFY(!h.context()->hasChanges());
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());

        // The write is not captured by the next poll.
        const int before = h.history().size();
        h.monitor->checkForChanges();
        QCOMPARE(h.history().size(), before);
        QCOMPARE(h.sound.plays, 0); // sound feedback missing: silent
    }

    void copyBackOfAnImage()
    {
        Harness h;
        h.copy({{QStringLiteral("image/png"), encodedImage("png", 16, 9)}});
        const ClipboardItemPtr item = h.history().first();
        h.monitor->copyItemToPasteboard(item, h.context());
        QVERIFY(h.pasteboard.written()->hasImage());
        QCOMPARE(qvariant_cast<QImage>(h.pasteboard.written()->imageData()).size(), QSize(16, 9));
        h.monitor->checkForChanges();
        QCOMPARE(h.history().size(), 1);
    }

    void copyBackSound_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("plays");
        QTest::newRow("missing") << QVariant() << 0;
        QTest::newRow("false") << QVariant(false) << 0;
        QTest::newRow("true") << QVariant(true) << 1;
    }

    void copyBackSound()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, plays);
        Harness h;
        h.defaults.set(QStringLiteral("enableSoundFeedback"), stored);
        h.copy(text(QStringLiteral("som")));
        h.monitor->copyItemToPasteboard(h.history().first(), h.context());
        QCOMPARE(h.sound.plays, plays);
    }

    void copyBackSaveFailureIsSilent()
    {
        Harness h;
        h.defaults.set(QStringLiteral("enableSoundFeedback"), true);
        h.copy(text(QStringLiteral("travado")));
        const ClipboardItemPtr item = h.history().first();
        // Another connection holds the write lock, so the save fails after the busy timeout.
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(h.container->path());
        QVERIFY(locker.open());
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        {
            StdoutCapture output;
            h.monitor->copyItemToPasteboard(item, h.context());
            QCOMPARE(output.text(), QString());
        }
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("ROLLBACK")));
        locker.close();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        QCOMPARE(h.pasteboard.written()->text(), QStringLiteral("travado"));
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
        QCOMPARE(h.sound.plays, 1);
        QVERIFY(h.context()->hasChanges()); // kept for the next save
    }

    void storeFailuresAreLogged_data()
    {
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<QString>("line");
        QTest::newRow("text") << text(QStringLiteral("x")) << QStringLiteral("Erro ao salvar texto no histórico: ");
        QTest::newRow("table") << text(QStringLiteral("a\tb\nc\td")) << QStringLiteral("Erro ao salvar tabela no histórico: ");
        QTest::newRow("image") << Flavours{{QStringLiteral("image/png"), encodedImage("png", 3, 3)}}
                               << QStringLiteral("Erro ao salvar imagem no histórico: ");
        QTest::newRow("file") << Flavours{{QStringLiteral("text/uri-list"), "file:///tmp/a\r\nfile:///tmp/b\r\n"}}
                              << QStringLiteral("Erro ao salvar arquivo no histórico: ");
    }

    void storeFailuresAreLogged()
    {
        QFETCH(Flavours, flavours);
        QFETCH(QString, line);
        Harness h;
        // A pending record whose id is already stored makes every save fail (UNIQUE).
        const ClipboardItemPtr stored = h.saved(QStringLiteral("text"), QStringLiteral("velho"),
                                                QDateTime::currentDateTimeUtc());
        h.context()->insert(std::make_shared<ClipboardItem>(
            stored->id(), stored->createdAt(), stored->copiedAt(), QStringLiteral("text"),
            QStringLiteral("gêmeo"), std::nullopt, std::nullopt, QString(), QString(), 0, 0, 0.0, 0.0, false));
        StdoutCapture output;
        h.copy(flavours);
        const QStringList lines = output.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(line), qPrintable(lines.first()));
        QVERIFY(lines.first().size() > line.size()); // the store's reason follows
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
    }

    void textLookupFailureIsLogged()
    {
        Harness h;
        QVERIFY(QSqlQuery(h.container->database()).exec(QStringLiteral("ALTER TABLE ClipboardItem RENAME TO Gone")));
        StdoutCapture output;
        h.copy(text(QStringLiteral("x")));
        QVERIFY2(output.text().startsWith(QStringLiteral("Erro ao salvar texto no histórico: ")), qPrintable(output.text()));
    }

    void historyLimitFailureIsLogged()
    {
        Harness h;
        h.defaults.set(QStringLiteral("maxHistoryCount"), qint64(1));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        h.saved(QStringLiteral("text"), QStringLiteral("a"), now.addSecs(-2));
        h.saved(QStringLiteral("text"), QStringLiteral("b"), now.addSecs(-1));
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(h.container->path());
        QVERIFY(locker.open());
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        StdoutCapture output;
        h.monitor->enforceHistoryLimit(h.context());
        const QString written = output.text();
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("ROLLBACK")));
        locker.close();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        QVERIFY2(written.startsWith(QStringLiteral("Erro ao aplicar limite do histórico: ")), qPrintable(written));
        QCOMPARE(written.count(QLatin1Char('\n')), 1);
    }
};

QTEST_MAIN(ClipboardMonitorTest)
#include "tst_clipboardmonitor.moc"
