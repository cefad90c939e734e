// The history service on its own, with no window open: a capture recorded or refreshed, the
// capacity applied whenever the stored value changes (pinned entries spared), the copy-back, and
// what the user does to entries (pin, delete, clear, forget).
#include "fakes/MonitorHarness.h"
#include "fakes/OutputCapture.h"
#include "fakes/TestData.h"
#include "platform/xdg/JsonDefaultsStore.h"
#include "store/HistoryQueryModel.h"

#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Flavours = QList<QPair<QString, QByteArray>>;
using namespace Qt::StringLiterals;

namespace {

const QString Browser = u"org.mozilla.firefox"_s;

ClipboardItemPtr record(const QString &type, const std::optional<QString> &content,
                        const std::optional<QStringList> &paths = std::nullopt,
                        const QDateTime &copiedAt = QDateTime::currentDateTimeUtc().addSecs(-600), bool pinned = false)
{
    return TestData::entry(type, content, copiedAt, pinned, paths);
}

// `count` text entries "0" (the oldest) to "count - 1", those of `pinned` pinned.
void fill(MonitorHarness &h, int count, const QList<int> &pinned = {})
{
    const QDateTime base = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (int i = 0; i < count; ++i)
        h.save(record(u"text"_s, QString::number(i), std::nullopt, base.addSecs(i), pinned.contains(i)));
}

using TestData::texts;

} // namespace

class HistoryServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A capture equal to an entry moves that entry to the top instead of adding another, taking
    // the capture's source when it has one.
    void recordRefreshesAnEqualEntry_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("secondSource");
        QTest::addColumn<QString>("expectedSource");
        QTest::addColumn<int>("entries");
        QTest::newRow("same application") << u"text"_s << u"repetido"_s << Browser << Browser << 2;
        QTest::newRow("another application") << u"text"_s << u"repetido"_s << u"org.gnome.TextEditor"_s
                                             << u"org.gnome.TextEditor"_s << 2;
        QTest::newRow("no source keeps the source") << u"text"_s << u"repetido"_s << QString() << Browser << 2;
        QTest::newRow("a long text") << u"text"_s << QString(9000, u'ç') << u"b"_s << u"b"_s << 2;
        // A file manager's cut sets the clipboard again with the files just copied.
        QTest::newRow("the same files") << u"file"_s << u"/tmp/a,/tmp/b"_s << u"pcmanfm"_s << u"pcmanfm"_s << 2;
        QTest::newRow("a text equal to a table is an entry of its own") << u"table"_s << u"a\tb"_s << Browser << Browser
                                                                       << 3;
    }
    void recordRefreshesAnEqualEntry()
    {
        QFETCH(QString, kind);
        QFETCH(QString, content);
        QFETCH(QString, secondSource);
        QFETCH(QString, expectedSource);
        QFETCH(int, entries);
        MonitorHarness h;
        const auto recordIt = [&](const QString &source, bool asTable) {
            if (kind == u"file")
                return h.history->recordFiles(content.split(u','), source, u"App"_s);
            if (asTable)
                return h.history->recordTable(content.toUtf8(), source, u"App"_s);
            return h.history->recordText(content.toUtf8(), source, u"App"_s);
        };
        const ClipboardItemPtr first = recordIt(Browser, kind == u"table");
        QVERIFY(first);
        const QDateTime firstCopy = first->copiedAt();
        h.history->recordFiles({u"/tmp/other"_s}, Browser, u"App"_s);
        QTest::qWait(5);
        const ClipboardItemPtr second = recordIt(secondSource, false);

        const QList<ClipboardItemPtr> history = h.entries();
        QCOMPARE(history.size(), entries);
        QCOMPARE(history.first(), second);
        QCOMPARE(second == first, entries == 2);
        QVERIFY(second->copiedAt() > firstCopy);
        QCOMPARE(second->sourceAppBundleId().value_or(QString()), entries == 2 ? expectedSource : secondSource);
        QCOMPARE(h.history->model()->rowCount(), entries);
    }

    // The capacity is applied after each capture and whenever the stored value changes, whoever
    // stores it and whether or not a window is open; pinned entries are spared.
    void capacity_data()
    {
        QTest::addColumn<QVariant>("capacity");
        QTest::addColumn<int>("existing");
        QTest::addColumn<QList<int>>("pinned"); // indexes by age, 0 the oldest
        QTest::addColumn<bool>("stored");       // the capacity is stored after the entries; else a capture follows
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<bool>("oldestKept");
        QTest::addColumn<qint64>("storedAfter");

        const auto row = [](const char *name, const QVariant &capacity, int existing, const QList<int> &pinned, bool stored,
                            int expectedCount, bool oldestKept, qint64 storedAfter) {
            QTest::newRow(name) << capacity << existing << pinned << stored << expectedCount << oldestKept << storedAfter;
        };
        row("full history drops the oldest", qint64(30), 30, {}, false, 30, false, 30);
        row("pinned oldest stays beyond the limit", qint64(30), 30, {0}, false, 31, true, 30);
        row("every surplus entry pinned", qint64(5), 8, {0, 1, 2, 3}, false, 9, true, 5);
        row("negative capacity becomes 30", qint64(-4), 31, {}, false, 30, false, 30);
        // Of the wrong type: ignored, never read as a capacity of 1.
        row("a boolean true becomes 30", true, 31, {}, false, 30, false, 30);
        row("a lower capacity stored trims at once", qint64(10), 25, {}, true, 10, false, 10);
        row("a lower capacity spares pinned entries", qint64(5), 12, {0, 11}, true, 6, true, 5);
        row("a higher capacity keeps everything", qint64(200), 40, {}, true, 40, true, 200);
    }
    void capacity()
    {
        QFETCH(QVariant, capacity);
        QFETCH(int, existing);
        QFETCH(QList<int>, pinned);
        QFETCH(bool, stored);
        QFETCH(int, expectedCount);
        QFETCH(bool, oldestKept);
        QFETCH(qint64, storedAfter);

        MonitorHarness h;
        h.defaults.set(PreferenceKeys::maxHistoryCount, qint64(1000));
        fill(h, existing, pinned);
        h.defaults.set(PreferenceKeys::maxHistoryCount, capacity);
        if (!stored)
            QVERIFY(h.history->recordText("novo", Browser, u"Firefox"_s));

        const QList<ClipboardItemPtr> history = h.entries();
        QCOMPARE(history.size(), expectedCount);
        QCOMPARE(texts(history).contains(u"0"_s), oldestKept);
        QCOMPARE(h.defaults.object(PreferenceKeys::maxHistoryCount), QVariant(storedAfter));
        QCOMPARE(h.history->model()->rowCount(), expectedCount);
    }

    // The capacity as the preferences file holds it: lowered by another reader of the same file
    // while Kavla shows no window, the history follows.
    void capacityLoweredInThePreferencesFile()
    {
        QTemporaryDir folder;
        JsonDefaultsStore file(folder.filePath(u"defaults.json"_s));
        Preferences preferences(&file);
        QString error;
        std::unique_ptr<ModelContainer> container = ModelContainer::open(folder.filePath(u"history.sqlite"_s), &error);
        QVERIFY2(container, qPrintable(error));
        HistoryService history(container.get(), &preferences);
        for (int i = 0; i < 12; ++i) {
            QThread::msleep(2); // each copy a millisecond of its own: the order is the copies'
            QVERIFY(history.recordText(QByteArray::number(i), Browser, u"Firefox"_s));
        }
        Preferences(&file).setMaxHistoryCount(5);
        QCOMPARE(texts(history.entries()), (QStringList{u"11"_s, u"10"_s, u"9"_s, u"8"_s, u"7"_s}));
    }

    // Steps: "pin N", "unpin N", "remove N", "clear", "forget N" (true when deleted), "lower N"
    // (the capacity stored); N is an entry's text. Entries "0" to "4", "0" the oldest, and one
    // capture not yet written (the store refused it).
    void userActions_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("remaining"); // newest first
        QTest::addColumn<QStringList>("pinned");
        // Steps separated by "; ", texts by commas.
        const auto row = [](const char *name, const QString &steps, const QString &remaining, const QString &pinned = {}) {
            QTest::newRow(name) << steps.split(u"; "_s) << remaining.split(u',', Qt::SkipEmptyParts)
                                << pinned.split(u',', Qt::SkipEmptyParts);
        };
        row("pinning keeps the order and spares the entry", u"pin 1; lower 2"_s, u"4,3,1"_s, u"1"_s);
        row("unpinned, the entry goes with the capacity", u"pin 1; unpin 1; lower 2"_s, u"4,3"_s);
        row("a pinned entry is deleted on request", u"pin 2; remove 2"_s, u"4,3,1,0"_s);
        row("clear deletes pinned and unwritten entries", u"pin 0; pending; clear"_s, QString());
        row("forget deletes", u"forget 3 true"_s, u"4,2,1,0"_s);
        row("forget spares a pinned entry", u"pin 3; forget 3 false"_s, u"4,3,2,1,0"_s, u"3"_s);
    }
    void userActions()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, remaining);
        QFETCH(QStringList, pinned);
        MonitorHarness h;
        fill(h, 5);
        QSignalSpy removed(h.history.get(), &HistoryService::removed);
        QSignalSpy moved(h.history->model(), &QAbstractItemModel::rowsMoved);
        for (const QString &step : steps) {
            const QStringList words = step.split(u' ');
            const ClipboardItemPtr item = words.size() > 1 ? h.entryWithText(words.at(1)) : nullptr;
            if (words.first() == u"pin" || words.first() == u"unpin")
                h.history->setPinned(item, words.first() == u"pin");
            else if (words.first() == u"remove")
                h.history->remove(item);
            else if (words.first() == u"clear")
                h.history->clear();
            else if (words.first() == u"forget")
                QCOMPARE(h.history->forget(item), words.at(2) == u"true");
            else if (words.first() == u"lower")
                h.preferences.setMaxHistoryCount(words.at(1).toInt());
            else if (words.first() == u"pending")
                h.context()->insert(record(u"text"_s, u"pending"_s));
        }
        QVERIFY(!h.context()->hasChanges());
        QCOMPARE(texts(h.entries()), remaining);
        QCOMPARE(texts(h.history->model()->items()), remaining);
        QStringList pinnedNow;
        for (const ClipboardItemPtr &item : h.entries()) {
            if (item->isPinned())
                pinnedNow << *item->textContent();
        }
        QCOMPARE(pinnedNow, pinned);
        qsizetype announced = 0;
        for (const QList<QVariant> &signal : removed)
            announced += signal.first().value<QList<QUuid>>().size();
        QCOMPARE(announced, 5 - remaining.size());
        QCOMPARE(moved.count(), 0);
    }

    void copyBack_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QString>("textContent");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<Flavours>("expected"); // flavours that must be written, with their bytes

        // LibreOffice Calc pastes the RTF table as cells; a quoted cell may hold a tab or a line break.
        QTest::newRow("table as text, TSV and RTF")
            << "table" << u"a\t\"b\tc\"\n{ç}\\\t\"e\nf\"\n"_s << QStringList()
            << Flavours{{u"text/tab-separated-values"_s, u"a\t\"b\tc\"\n{ç}\\\t\"e\nf\"\n"_s.toUtf8()},
                        {u"text/rtf"_s, "{\\rtf\\ansi\n{\\fonttbl{\\f0\\fswiss Liberation Sans;}}\n{\n"
                                        "\\trowd\\cellx1440\\cellx2880\\pard\\plain\\intbl\\f0\\fs20 a\\cell b\\tab c\\cell\\row\n"
                                        "\\trowd\\cellx1440\\cellx2880\\pard\\plain\\intbl\\f0\\fs20 \\{\\u231?\\}\\\\\\cell e\\line f\\cell\\row\n"
                                        "}\n}"}};
        QTest::newRow("files, missing ones included, for every file manager")
            << "file" << QString() << QStringList{u"/nao/existe/a.txt"_s, u"/tmp/b c.txt"_s}
            << Flavours{{u"text/uri-list"_s, "file:///nao/existe/a.txt\r\nfile:///tmp/b%20c.txt\r\n"},
                        {u"x-special/gnome-copied-files"_s, "copy\nfile:///nao/existe/a.txt\nfile:///tmp/b%20c.txt"},
                        {u"x-special/mate-copied-files"_s, "copy\nfile:///nao/existe/a.txt\nfile:///tmp/b%20c.txt"},
                        {u"text/plain"_s, "/nao/existe/a.txt\n/tmp/b c.txt"}};
        QTest::newRow("text without content leaves the clipboard empty") << "text" << QString() << QStringList() << Flavours{};
    }
    void copyBack()
    {
        QFETCH(QString, contentType);
        QFETCH(QString, textContent);
        QFETCH(QStringList, paths);
        QFETCH(Flavours, expected);

        MonitorHarness h;
        const ClipboardItemPtr item = h.save(
            record(contentType, textContent.isNull() ? std::nullopt : std::optional<QString>(textContent),
                   paths.isEmpty() ? std::nullopt : std::optional<QStringList>(paths)));
        h.copyText(u"mais novo"_s);

        h.history->copyBack(item);
        const QMimeData *written = h.pasteboard.written();
        QVERIFY(written);
        if (expected.isEmpty())
            QCOMPARE(written->formats(), QStringList());
        for (const auto &[type, bytes] : expected) {
            QVERIFY2(written->hasFormat(type), qPrintable(written->formats().join(u',')));
            QCOMPARE(written->data(type), bytes);
        }
        QCOMPARE(h.entries().first(), item);
        QVERIFY(!h.context()->hasChanges());
        QCOMPARE(h.sound.plays, 0); // sound feedback not switched on

        // The write is not captured by the monitor's next poll.
        h.monitor->checkForChanges();
        QCOMPARE(h.entries().size(), 2);
    }

    // An image goes back as the bytes it is stored as, never decoded to be offered; one stored as
    // JPEG is offered as PNG too, made when asked for.
    void copyBackOfAnImage_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QStringList>("formats");
        QTest::newRow("PNG") << QByteArray("png") << QStringList{u"image/png"_s};
        QTest::newRow("JPEG") << QByteArray("jpeg") << QStringList{u"image/png"_s, u"image/jpeg"_s};
    }
    void copyBackOfAnImage()
    {
        QFETCH(QByteArray, format);
        QFETCH(QStringList, formats);
        MonitorHarness h;
        const QByteArray bytes = TestData::encodedImage(format.constData(), 16, 9);
        h.copy({{u"image/"_s + QString::fromLatin1(format), bytes}});
        h.history->copyBack(h.entries().first());
        const QMimeData *written = h.pasteboard.written();
        QCOMPARE(written->formats(), formats);
        QCOMPARE(written->data(formats.last()), bytes);
        QCOMPARE(QImage::fromData(written->data(u"image/png"_s), "png").size(), QSize(16, 9));
        h.monitor->checkForChanges();
        QCOMPARE(h.entries().size(), 1);
    }

    void copyBackSaveFailureIsSilent()
    {
        MonitorHarness h;
        h.defaults.set(u"enableSoundFeedback"_s, true);
        h.copyText(u"travado"_s);
        const ClipboardItemPtr item = h.entries().first();
        h.breakStore();
        OutputCapture output;
        h.history->copyBack(item);
        QCOMPARE(output.text(), QString());
        QCOMPARE(h.pasteboard.written()->text(), u"travado"_s);
        QCOMPARE(h.monitor->lastChangeCount(), h.pasteboard.changeCount());
        QCOMPARE(h.sound.plays, 1);
        QVERIFY(h.context()->hasChanges()); // kept for the next save
    }
};

QTEST_MAIN(HistoryServiceTest)
#include "tst_historyservice.moc"
