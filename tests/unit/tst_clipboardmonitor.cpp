// What the clipboard monitor makes of each copy: skipped, or classified and handed to the history
// service; reads off the interface thread, the owner that quits, secrets copied without a mark.
#include "fakes/MonitorHarness.h"
#include "fakes/OutputCapture.h"
#include "fakes/TestData.h"
#include "store/ThumbnailStore.h"

#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

#include <QSqlDriver>

#include <sqlite3.h>
#include <sys/stat.h>

using Flavours = QList<QPair<QString, QByteArray>>;
using namespace Qt::StringLiterals;

namespace {

const QString Browser = u"org.mozilla.firefox"_s;
const QString Table = u"a\tb\nc\td"_s;

using TestData::encodedImage;

Flavours text(const QString &value)
{
    return {{u"text/plain"_s, value.toUtf8()}};
}

// Files copied in a file manager: their URLs, and their paths as text.
Flavours files(const QStringList &paths)
{
    QByteArray uriList;
    for (const QString &path : paths)
        uriList += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
    return {{u"text/uri-list"_s, uriList}, {u"text/plain"_s, paths.join(u'\n').toUtf8()}};
}

using Harness = MonitorHarness;

// SQLite's own length limit on the store's connection, made small to stand for a huge copy.
void limitStore(const Harness &h, int bytes)
{
    const QVariant handle = h.container->database().driver()->handle();
    sqlite3_limit(*static_cast<sqlite3 *const *>(handle.constData()), SQLITE_LIMIT_LENGTH, bytes);
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The beginning of a PNG that says it is `width` x `height` pixels: all a reader needs for its size.
QByteArray pngHeader(quint32 width, quint32 height)
{
    const auto bigEndian = [](quint32 value) {
        const char bytes[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
        return QByteArray(bytes, 4);
    };
    const auto chunk = [&](const QByteArray &typeAndData) {
        return bigEndian(quint32(typeAndData.size() - 4)) + typeAndData + bigEndian(crc32(typeAndData));
    };
    return QByteArray("\x89PNG\r\n\x1a\n", 8)
        + chunk("IHDR" + bigEndian(width) + bigEndian(height) + QByteArray("\x08\x02\x00\x00\x00", 5))
        + chunk(QByteArray("IDAT\x78\x9c\x03\x00\x00\x00\x00\x01", 12)) + chunk("IEND");
}

// The beginning of a 24-bit BMP that says it is `width` x `height` pixels.
QByteArray bmpHeader(quint32 width, quint32 height)
{
    const auto little = [](quint32 value, int bytes) {
        QByteArray out;
        for (int i = 0; i < bytes; ++i)
            out += char((value >> (8 * i)) & 0xff);
        return out;
    };
    const quint32 rowBytes = (width * 3 + 3) & ~3u;
    return "BM" + little(54 + rowBytes * height, 4) + little(0, 4) + little(54, 4) + little(40, 4) + little(width, 4)
        + little(height, 4) + little(1, 2) + little(24, 2) + little(0, 4) + little(rowBytes * height, 4)
        + little(2835, 4) + little(2835, 4) + little(0, 4) + little(0, 4) + QByteArray(64, '\0');
}

} // namespace

class ClipboardMonitorTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    const QByteArray m_png = encodedImage("png", 12, 10);
    QString file(const char *name) const { return m_files.filePath(QString::fromUtf8(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *name : {"foto.PNG", "falsa.png"})
            QVERIFY(TestData::writeFile(file(name), qstrcmp(name, "falsa.png") == 0 ? QByteArray("x") : m_png));
        QCOMPARE(::mkfifo(QFile::encodeName(file("cano.png")).constData(), 0600), 0);
    }

    void classification_data()
    {
        QTest::addColumn<Flavours>("flavours");
        QTest::addColumn<QStringList>("switchedOff");
        QTest::addColumn<QString>("contentType"); // empty: nothing recorded
        QTest::addColumn<QVariant>("content"); // text, file paths or image size in points; invalid: not checked

        const auto row = [](const char *name, const Flavours &flavours, const char *type, const QVariant &content = {},
                            const QStringList &switchedOff = {}) {
            QTest::newRow(name) << flavours << switchedOff << QString::fromLatin1(type) << content;
        };
        const QString html = u"text/html"_s;
        const QString png = u"image/png"_s;
        const QString plain = u"text/plain"_s;
        const QString uris = u"text/uri-list"_s;
        const QStringList imageOff{u"enableCaptureImage"_s};
        const Flavours photo = files({file("foto.PNG")});
        const QByteArray tiff = encodedImage("tiff", 64, 48, 144);
        const QByteArray bmp = encodedImage("bmp", 8, 6);
        row("only white space", text(u" \n\t \r\n"_s), "");
        row("only NUL bytes", text(QString(3, QChar(u'\0')) + u' '), "");
        row("a file URI of another host is no file", {{uris, "file://otherhost/srv/a.txt\r\n"}}, "");
        row("a file URI of localhost is a local file", {{uris, "file://localhost/srv/a.txt\r\n"}}, "file",
            QStringList{u"/srv/a.txt"_s});
        row("tabbed lines, table capture off falls to text", text(Table), "text", Table, {u"enableCaptureTable"_s});
        row("a line without a tab", text(u"a\tb\nc d\ne\tf"_s), "text");
        row("one tabbed line and blank ones", text(u"a\tb\n\n"_s), "text");
        row("TSV type", {{u"text/tab-separated-values"_s, "x"}, {plain, "N I\nx"}}, "table", u"N I\nx"_s);
        row("HTML table",
            {{html, "<!DOCTYPE html><HTML><HEAD><STYLE>p {}</STYLE></HEAD><BODY>"
                    "<!-- x --><TABLE><TR><TD>1</TD><TD>2</TD></TR></TABLE>&nbsp;</BODY></HTML>"},
             {plain, "1 2\n3"}},
            "table", u"1 2\n3"_s);
        row("HTML with a table among other content",
            {{html, "<p>Resumo</p><table><tr><td>1</td></tr></table>"}, {plain, "Resumo\n1"}}, "text", u"Resumo\n1"_s);
        row("HTML table without plain text", {{html, "<table><tr><td>1</td></table>"}}, "");
        row("HTML without a table", {{html, "<b>1</b>"}, {plain, "1"}}, "text", u"1"_s);
        row("web link counts as its text",
            {{uris, "https://example.org/a.png\r\n"}, {plain, "https://example.org/a.png"}}, "text",
            u"https://example.org/a.png"_s);
        row("text capture off", text(u"x"_s), "", {}, {u"enableCaptureText"_s});
        row("PNG wins over text", {{png, encodedImage("png", 40, 30)}, {plain, "legenda"}}, "image", QSizeF(40, 30));
        row("Latin-1 STRING", {{u"STRING"_s, "caf\xe9"}}, "text", u"café"_s);
        row("said to be UTF-8 and not: read as Latin-1", {{plain, "caf\xe9"}}, "text", u"café"_s);
        row("a NUL ending the text", {{plain, QByteArray("fim\0", 4)}}, "text", u"fim"_s);
        row("control bytes are no text", {{plain, "\x01\x02\x03\x04" "abc\x05\x06\x7f"}}, "");
        // A bridge that offers every copy as text (weston's XWayland).
        row("an image offered as text is an image", {{u"UTF8_STRING"_s, m_png}}, "image", QSizeF(12, 10));
        row("PNG at 144 dpi is half its pixels in points", {{png, encodedImage("png", 40, 30, 144)}}, "image",
            QSizeF(20, 15));
        // 72 dpi is stored as 2835 dots per metre, 72.009 dpi: read as whole dots per inch.
        row("PNG at 72 dpi keeps its pixel size", {{png, encodedImage("png", 200, 100, 72)}}, "image", QSizeF(200, 100));
        row("undecodable PNG falls to TIFF", {{png, "not a png"}, {u"image/tiff"_s, tiff}}, "image", QSizeF(64, 48));
        row("image capture off", {{u"image/bmp"_s, bmp}, {plain, "b"}}, "text", u"b"_s, imageOff);
        row("one image file, upper-case extension", photo, "image", QSizeF(12, 10));
        row("image file, image capture off", photo, "file", {}, imageOff);
        row("image file, image and file capture off falls to text", photo, "text", file("foto.PNG"),
            imageOff + QStringList{u"enableCaptureFile"_s});
        row("image file that does not decode", files({file("falsa.png")}), "file");
        row("missing image file", files({file("sumiu.png")}), "file", QStringList{file("sumiu.png")});
        row("named pipe called .png is not read", files({file("cano.png")}), "file");
        row("URI list with a comment, CR LF, a %00 and an ending NUL",
            {{uris, QByteArray("# x\r\nfile:///tmp/a%00b\r\nfile:///tmp/c\r\nfile:///tmp/d\0", 53)}}, "file",
            QStringList{u"/tmp/c"_s, u"/tmp/d"_s});
        row("the file managers' list alone", {{u"x-special/gnome-copied-files"_s, "cut\nfile:///tmp/a\nfile:///tmp/b"}},
            "file", QStringList{u"/tmp/a"_s, u"/tmp/b"_s});
    }

    void classification()
    {
        QFETCH(Flavours, flavours);
        QFETCH(QStringList, switchedOff);
        QFETCH(QString, contentType);
        QFETCH(QVariant, content);

        Harness h(switchedOff);
        h.copy(flavours);
        const QList<ClipboardItemPtr> history = h.entries();
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
        QCOMPARE(history.size(), contentType.isEmpty() ? 0 : 1);
        if (history.isEmpty())
            return;
        const ClipboardItemPtr item = history.first();
        QCOMPARE(item->contentType(), contentType);
        QCOMPARE(item->sourceAppBundleId().value_or(QString()), Browser);
        QCOMPARE(item->sourceAppName().value_or(QString()), u"Firefox"_s);
        if (content.typeId() == QMetaType::QString)
            QCOMPARE(item->textContent().value_or(QString()), content.toString());
        else if (content.typeId() == QMetaType::QStringList)
            QCOMPARE(item->filePaths().value_or(QStringList()), content.toStringList());
        if (content.typeId() == QMetaType::QSizeF) {
            const QSizeF size = content.toSizeF();
            QVERIFY(qAbs(item->imageWidth() - size.width()) < 0.01 && qAbs(item->imageHeight() - size.height()) < 0.01);
            QVERIFY(!QImage::fromData(item->imageData().value_or(QByteArray())).isNull());
            // Its thumbnail is made with it and kept beside it.
            QCOMPARE(QImage::fromData(h.container->readThumbnail(item->storedId()).value_or(QByteArray())).size(),
                     QSize(ThumbnailStore::Edge, ThumbnailStore::Edge));
        }
    }

    // The application in front and a password manager's mark decide whether a copy is recorded;
    // a copy that is not is never even read, and nothing of it comes back when its owner quits.
    void sourceAndSecretMarkDecide_data()
    {
        QTest::addColumn<QString>("frontmost");
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<bool>("marked"); // the mark's flavour is offered
        QTest::addColumn<bool>("recorded");
        QTest::newRow("another application") << Browser << QByteArray() << false << true;
        QTest::newRow("Kavla itself") << u"com.tarnwick.Kavla"_s << QByteArray() << false << false;
        QTest::newRow("an ignored application") << u"com.bitwarden.desktop"_s << QByteArray() << false << false;
        QTest::newRow("an ignored application by its other ID") << u"bitwarden|com.bitwarden.desktop"_s << QByteArray() << false
                                                                << false;
        QTest::newRow("no frontmost application") << QString() << QByteArray() << false << true;
        QTest::newRow("marked, no application in front") << QString() << QByteArray("secret") << true << false;
        QTest::newRow("marked with another value") << Browser << QByteArray("1") << true << false;
        QTest::newRow("an empty mark is no mark") << Browser << QByteArray() << true << true;
    }

    void sourceAndSecretMarkDecide()
    {
        QFETCH(QString, frontmost);
        QFETCH(QByteArray, mark);
        QFETCH(bool, marked);
        QFETCH(bool, recorded);
        Harness h;
        h.workspace.frontmost = {frontmost.section(u'|', 0, 0), u"App"_s, frontmost.split(u'|').mid(1)};
        OutputCapture output;
        Flavours flavours{{u"text/plain"_s, "hunter2"}};
        if (marked)
            flavours.append({u"x-kde-passwordManagerHint"_s, mark});
        h.copy(flavours);
        QCOMPARE(h.entries().size(), recorded ? 1 : 0);
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
        QCOMPARE(h.pasteboard.readsOf(u"text/plain"_s), recorded ? 1 : 0);
        // Only a refused secret is noted, and the line does not carry it.
        QCOMPARE(output.text().count(u'\n'), marked && !recorded ? 1 : 0);
        QVERIFY(!output.text().contains(u"hunter2"_s));
        h.pasteboard.ownerQuits();
        QCOMPARE(h.pasteboard.writeCount(), recorded ? 1 : 0);
    }

    void changeDuringAPollIsExaminedByTheNext_data()
    {
        QTest::addColumn<QString>("whenAnnounced"); // in front when the second copy is announced
        QTest::addColumn<QString>("afterTheSave");  // in front once the first copy is saved
        QTest::addColumn<QString>("source");        // of the second entry
        QTest::newRow("none known at first, then an editor") << QString() << u"org.example.Editor"_s
                                                             << u"org.example.Editor"_s;
        // The hot key pressed during a slow save opened the popup: the copy is still recorded.
        QTest::newRow("none known at first, then Kavla") << QString() << u"com.tarnwick.Kavla"_s << QString();
    }

    void changeDuringAPollIsExaminedByTheNext()
    {
        QFETCH(QString, whenAnnounced);
        QFETCH(QString, afterTheSave);
        QFETCH(QString, source);
        Harness h;
        // The next copy lands while the poll is still saving the first.
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(h.container.get(), &ModelContainer::didSave, this, [&, connection] {
            disconnect(*connection);
            h.workspace.frontmost = {whenAnnounced, u"App"_s};
            h.pasteboard.setText(u"segunda"_s);
            h.workspace.frontmost = {afterTheSave, u"App"_s};
        });
        h.copy(text(u"primeira"_s));
        h.monitor->checkForChanges();
        const QList<ClipboardItemPtr> history = h.entries();
        QCOMPARE(TestData::texts(history), (QStringList{u"segunda"_s, u"primeira"_s}));
        QCOMPARE(history.first()->sourceAppBundleId().value_or(QString()), source);
    }

    // A copy the history cannot take, too large for an entry or met by a failing store, costs one
    // line naming its kind and the reason, and is marked handled; after an oversized one the next
    // copy is recorded. SQLite's length limit, made small, stands for a huge copy.
    void failedCaptureIsOneLine_data()
    {
        QTest::addColumn<Flavours>("flavours"); // none: the history limit is applied directly
        QTest::addColumn<int>("storeLimit");    // 0: SQLite's own; -1: every write fails; -2: 64 KiB, sizes not announced
        QTest::addColumn<QString>("line");
        const QByteArray big(100 * 1024, 'x');
        QTest::newRow("text too large") << Flavours{{u"text/plain"_s, big}} << 64 * 1024
                              << u"Erro ao salvar texto no histórico: a text of 100.00 KiB is larger than the 63.00 KiB"_s;
        QTest::newRow("table too large") << Flavours{{u"text/tab-separated-values"_s, "x"}, {u"text/plain"_s, big}}
                                         << 64 * 1024 << u"Erro ao salvar tabela no histórico: a text of 100.00 KiB"_s;
        QTest::newRow("image too large") << Flavours{{u"image/bmp"_s, encodedImage("bmp", 200, 200)}, {u"text/plain"_s, "b"}}
                                         << 64 * 1024 << u"Erro ao salvar imagem no histórico: an image of "_s;
        QTest::newRow("image of too many pixels") << Flavours{{u"image/png"_s, pngHeader(12000, 12000)}} << 0
                                                  << u"Erro ao salvar imagem no histórico: an image of 12000 x 12000 pixels"_s;
        // Another type than PNG went through a decoding of its own, with no look at its header.
        QTest::newRow("BMP of too many pixels") << Flavours{{u"image/bmp"_s, bmpHeader(12000, 12000)}} << 0
                                                << u"Erro ao salvar imagem no histórico: an image of 12000 x 12000 pixels"_s;
        QTest::newRow("PNG cut short") << Flavours{{u"image/png"_s, encodedImage("png", 300, 200).left(200)}} << 0
                                       << u"Erro ao salvar imagem no histórico: the image/png of 200 bytes copied is not an image"_s;
        QTest::newRow("text of a size not announced")
            << Flavours{{u"text/plain"_s, big}} << -2
            << u"Erro ao salvar texto no histórico: a text of more than 63.00 KiB is larger than a history entry can hold"_s;
        QTest::newRow("text, store failing") << text(u"x"_s) << -1 << u"Erro ao salvar texto no histórico: "_s;
        QTest::newRow("table, store failing") << text(Table) << -1 << u"Erro ao salvar tabela no histórico: "_s;
        QTest::newRow("image, store failing") << Flavours{{u"image/png"_s, encodedImage("png", 3, 3)}} << -1
                                              << u"Erro ao salvar imagem no histórico: "_s;
        QTest::newRow("file, store failing") << files({u"/tmp/a"_s, u"/tmp/b"_s}) << -1
                                             << u"Erro ao salvar arquivo no histórico: "_s;
        QTest::newRow("history limit, store failing") << Flavours() << -1 << u"Erro ao aplicar limite do histórico: "_s;
    }

    void failedCaptureIsOneLine()
    {
        QFETCH(Flavours, flavours);
        QFETCH(int, storeLimit);
        QFETCH(QString, line);
        Harness h;
        if (storeLimit > 0) {
            limitStore(h, storeLimit);
        } else if (storeLimit == -2) {
            limitStore(h, 64 * 1024);
            h.pasteboard.setAnnouncesSizes(false);
        } else if (storeLimit < 0) {
            h.breakStore();
        }
        OutputCapture output;
        if (flavours.isEmpty())
            h.history->enforceHistoryLimit();
        else
            h.copy(flavours);
        const QStringList lines = output.text().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(line) && lines.first().size() > line.size(), qPrintable(lines.first()));
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
        if (storeLimit != -1) {
            QVERIFY(h.entries().isEmpty());
            h.copyText(u"depois"_s);
            QCOMPARE(h.entries().size(), 1);
        }
    }

    // Far above Qt's own 128 MiB decoding limit.
    void hundredMegapixelImageIsRecorded()
    {
        const QByteArray png = encodedImage("png", 10000, 10000);
        Harness h;
        OutputCapture output;
        h.pasteboard.setContents({{u"image/png"_s, png}});
        // Decoded off the interface thread: the image comes back through the event loop, and a
        // copy made meanwhile is recorded after it.
        QVERIFY(h.monitor->isRecording());
        h.pasteboard.setText(u"depois"_s);
        QVERIFY(h.entries().isEmpty());
        h.settle();
        QCOMPARE(output.text(), QString());
        const QList<ClipboardItemPtr> history = h.entries();
        QCOMPARE(history.size(), 2);
        QCOMPARE(history.first()->textContent(), u"depois"_s);
        QCOMPARE(QSizeF(history.last()->imageWidth(), history.last()->imageHeight()), QSizeF(10000, 10000));
    }

    // Reads answer later than the announcement; what the owner and the user do meanwhile.
    void asynchronousReads_data()
    {
        QTest::addColumn<QString>("frontmostWhenCopied");
        QTest::addColumn<bool>("secondChange"); // the owner quits before its copy was read
        QTest::addColumn<bool>("ownerAnswers");
        QTest::addColumn<QString>("recordedSource"); // empty: nothing recorded
        QTest::addColumn<int>("requests");

        QTest::newRow("source sampled when announced") << Browser << false << true << Browser << 1;
        QTest::newRow("ignored when announced, never read") << u"com.bitwarden.desktop"_s << false << true << QString() << 0;
        QTest::newRow("owner did not answer in time") << Browser << false << false << QString() << 1;
        QTest::newRow("owner quit mid-transfer: the read is abandoned") << Browser << true << true << QString() << 2;
    }

    void asynchronousReads()
    {
        QFETCH(QString, frontmostWhenCopied);
        QFETCH(bool, secondChange);
        QFETCH(bool, ownerAnswers);
        QFETCH(QString, recordedSource);
        QFETCH(int, requests);
        Harness h;
        h.pasteboard.holdReads(true);
        h.workspace.frontmost = {frontmostWhenCopied, u"App"_s};
        h.pasteboard.setText(u"copiado"_s);
        // The user switches windows before the owner has answered.
        h.workspace.frontmost = {u"org.example.Editor"_s, u"Editor"_s};
        if (secondChange)
            h.pasteboard.setContents({});
        QCOMPARE(h.monitor->isReading(), requests > 0);
        h.pasteboard.releaseReads(ownerAnswers);

        const QList<ClipboardItemPtr> history = h.entries();
        QCOMPARE(history.size(), recordedSource.isEmpty() ? 0 : 1);
        if (!history.isEmpty())
            QCOMPARE(history.first()->sourceAppBundleId().value_or(QString()), recordedSource);
        QCOMPARE(h.pasteboard.requests(), requests);
        QVERIFY(!h.monitor->isReading());
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
    }

    // When the clipboard empties, the entry recorded from it is offered again only if its owner
    // quit, the entry came from that very copy, the switch is on and nobody has taken the
    // clipboard since. What is offered is the entry's UTF-8 as stored, held once as bytes.
    void keepClipboardAfterOwnerQuits_data()
    {
        QTest::addColumn<QString>("frontmost");
        QTest::addColumn<QStringList>("switchedOff");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("end"); // "quit", "clear" (the owner empties it while running), "taken" (a newer copy not announced yet)
        QTest::addColumn<bool>("kept");
        const QStringList none;
        const QString text = u"do editor ã"_s;
        QTest::newRow("recorded copy, owner quits") << Browser << none << text << "quit" << true;
        QTest::newRow("a long text, read back as stored") << Browser << none << u"longo ç "_s.repeated(2000) << "quit" << true;
        QTest::newRow("owner clears it while running") << Browser << none << text << "clear" << false;
        QTest::newRow("a newer copy came first") << Browser << none << text << "taken" << false;
        QTest::newRow("text capture off") << Browser << QStringList{u"enableCaptureText"_s} << text << "quit" << false;
        QTest::newRow("switched off") << Browser << QStringList{u"keepClipboardAfterOwnerQuits"_s} << text << "quit" << false;
    }

    void keepClipboardAfterOwnerQuits()
    {
        QFETCH(QString, frontmost);
        QFETCH(QStringList, switchedOff);
        QFETCH(QString, text);
        QFETCH(QString, end);
        QFETCH(bool, kept);
        Harness h(switchedOff);
        h.copyText(u"antes"_s);
        h.workspace.frontmost = {frontmost, u"App"_s};
        h.copyText(text);
        if (end == u"clear") {
            h.pasteboard.clearContents();
        } else {
            h.pasteboard.holdReads(true);
            h.pasteboard.ownerQuits();
            if (end == u"taken")
                h.pasteboard.takeUnannounced(Flavours{{u"text/plain"_s, "mais nova"}});
            h.pasteboard.releaseReads();
        }
        QCOMPARE(h.pasteboard.writeCount(), kept ? 1 : 0);
        if (kept) {
            const QMimeData *written = h.pasteboard.written();
            QCOMPARE(written->formats(), QStringList{u"text/plain"_s});
            QCOMPARE(written->data(u"text/plain"_s), text.toUtf8());
            // Bytes, not a string converted anew at each request.
            QCOMPARE(written->data(u"text/plain"_s).constData(), written->data(u"text/plain"_s).constData());
        }
        h.monitor->checkForChanges();
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount()); // our write is not a copy
    }

    // A text copy that its owner clears soon after, or replaces with exactly what came before
    // 40 to 50 s after it, is forgotten: deleted with one line that does not carry it. Steps are
    // "SECONDS ACTION": "copy TEXT" (another application), "clear" (the owner empties the
    // clipboard and still runs), "quit" (it quits), "back TEXT" (Kavla copies that entry back),
    // "pin TEXT", "off" (the switch turned off). The clock is the detector's, driven by the steps.
    void secretsByBehaviour_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("history"); // newest first, at the end
        QTest::addColumn<QString>("line");        // the one line written; empty: none

        // Steps separated by "; ", the history's texts by commas.
        const auto row = [](const char *name, const QString &steps, const QString &history, const QString &line = {}) {
            QTest::newRow(name) << steps.split(u"; "_s) << history.split(u',', Qt::SkipEmptyParts) << line;
        };
        const QString cleared = u"Cópia esquecida como senha: a área de transferência foi esvaziada %1 s depois"_s;
        const QString restored = u"Cópia esquecida como senha: o conteúdo anterior voltou %1 s depois"_s;
        row("cleared 10 s after (keepassxc-cli)", u"0 copy antes; 5 copy s3nh4; 15 clear"_s, u"antes"_s, cleared.arg(10));
        row("an empty text 10 s after", u"0 copy s3nh4; 10 copy "_s, QString(), cleared.arg(10));
        row("a NUL 30 s after (Bitwarden)", u"0 copy s3nh4; 30 copy \\0"_s, QString(), cleared.arg(30));
        row("cleared 90 s after (1Password)", u"0 copy s3nh4; 90 clear"_s, QString(), cleared.arg(90));
        row("cleared 95 s after", u"0 copy s3nh4; 95 clear"_s, u"s3nh4"_s);
        row("its owner quits: no clear", u"0 copy s3nh4; 10 quit"_s, u"s3nh4"_s);
        row("what came before is back 45 s after (pass)", u"0 copy antes; 10 copy s3nh4; 55 copy antes"_s, u"antes"_s,
            restored.arg(45));
        row("back after a copy-back of it", u"0 copy antes; 1 copy outro; 2 back antes; 10 copy s3nh4; 55 copy antes"_s,
            u"antes,outro"_s, restored.arg(45));
        row("back 39 s after", u"0 copy antes; 10 copy s3nh4; 49 copy antes"_s, u"antes,s3nh4"_s);
        row("back 51 s after", u"0 copy antes; 10 copy s3nh4; 61 copy antes"_s, u"antes,s3nh4"_s);
        row("A, B 10 s later, A 20 s after that, by hand", u"0 copy A; 10 copy B; 30 copy A"_s, u"A,B"_s);
        row("something else copied in between", u"0 copy antes; 10 copy s3nh4; 20 copy outro; 55 copy antes"_s,
            u"antes,outro,s3nh4"_s);
        row("a copy-back in between", u"0 copy antes; 10 copy s3nh4; 12 back antes; 15 clear"_s, u"antes,s3nh4"_s);
        row("only the newest copy goes", u"0 copy s3nh4; 5 copy outro; 10 clear"_s, u"s3nh4"_s, cleared.arg(5));
        row("a pinned entry stays", u"0 copy s3nh4; 1 pin s3nh4; 10 clear"_s, u"s3nh4"_s);
        row("switched off", u"0 off; 0 copy s3nh4; 10 clear"_s, u"s3nh4"_s);
    }

    void secretsByBehaviour()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, history);
        QFETCH(QString, line);
        Harness h;
        std::chrono::milliseconds now{0};
        h.monitor->secretCopyDetector().setClock([&now] { return now; });
        OutputCapture output;
        for (const QString &step : steps) {
            const qsizetype space = step.indexOf(u' ');
            now = std::chrono::seconds(step.left(space).toInt());
            const QString action = step.mid(space + 1).section(u' ', 0, 0);
            const QString argument = step.mid(space + 1).section(u' ', 1).replace(u"\\0"_s, QString(QChar(u'\0')));
            if (action == u"copy") {
                h.copyText(argument);
            } else if (action == u"clear") {
                h.pasteboard.clearContents();
            } else if (action == u"quit") {
                h.pasteboard.ownerQuits();
            } else if (action == u"back") {
                h.history->copyBack(h.entryWithText(argument));
            } else if (action == u"pin") {
                h.history->setPinned(h.entryWithText(argument), true);
            } else if (action == u"off") {
                h.preferences.setForgetClearedSecrets(false);
            }
        }
        QVERIFY(!h.context()->hasChanges());
        QCOMPARE(TestData::texts(h.entries()), history);
        const QString written = output.text();
        QCOMPARE(written, line.isEmpty() ? QString() : line + u'\n');
        QVERIFY(!written.contains(u"s3nh4"_s));
        // A forgotten entry is never put back.
        if (!line.isEmpty()) {
            h.pasteboard.ownerQuits();
            QVERIFY(!h.pasteboard.written() || !h.pasteboard.written()->text().contains(u"s3nh4"_s));
        }
    }

    void startAndStop()
    {
        Harness h;
        QSignalSpy spy(h.monitor.get(), &ClipboardMonitor::isMonitoringChanged);
        h.monitor->startMonitoring();
        QCOMPARE(spy.count(), 0);
        h.monitor->stopMonitoring();
        QVERIFY(!h.monitor->isMonitoring());
        h.pasteboard.setText(u"parado"_s);
        h.monitor->startMonitoring();
        h.monitor->checkForChanges();
        QCOMPARE(h.entries().size(), 0); // what was copied while stopped is never recorded
        h.pasteboard.setText(u"logo"_s);
        QCOMPARE(h.entries().size(), 1); // examined when announced, with no poll
        QCOMPARE(spy.count(), 2);
    }
};

QTEST_MAIN(ClipboardMonitorTest)
#include "tst_clipboardmonitor.moc"
