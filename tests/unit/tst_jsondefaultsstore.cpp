#include "fakes/OutputCapture.h"
#include "fakes/TestData.h"
#include "platform/xdg/JsonDefaultsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestData::fileMode;
using TestData::readFile;
using TestData::writeFile;

QJsonObject fileObject(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

// Same type and value; NaN equals NaN.
bool same(const QVariant &actual, const QVariant &expected)
{
    if (actual.metaType() != expected.metaType())
        return false;
    if (expected.typeId() == QMetaType::Double && std::isnan(expected.toDouble()))
        return std::isnan(actual.toDouble());
    return actual == expected;
}

const QString Key = QStringLiteral("someKey");

constexpr int SaveDelayMs = int(JsonDefaultsStore::SaveDelay.count());

} // namespace

class TestJsonDefaultsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_path;
    int m_caseNumber = 0;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_folder.isValid());
        // Each case gets its own configuration folder, not yet created.
        m_path = m_folder.filePath(QStringLiteral("case%1/kavla/defaults.json").arg(++m_caseNumber));
    }

    void roundTripAcrossReopen_data()
    {
        QTest::addColumn<QVariant>("given");
        QTest::addColumn<QVariant>("stored"); // invalid: refused, with a note naming the key
        QTest::addColumn<QString>("type");

        QByteArray allBytes;
        for (int byte = 0; byte < 256; ++byte)
            allBytes.append(char(byte));
        const auto row = [](const char *name, const QVariant &value, const char *type) {
            QTest::newRow(name) << value << value << QString::fromLatin1(type);
        };
        row("true", true, "boolean");
        row("largest integer", std::numeric_limits<qint64>::max(), "integer");
        row("integer beyond 2^53", qint64(9007199254740993), "integer");
        row("whole double stays double", 30.0, "double");
        row("tiny double", 5e-324, "double");
        row("NaN", std::nan(""), "double");
        row("infinity", HUGE_VAL, "double");
        row("string that looks like a number", u"30"_qs, "string");
        row("unicode string", QString::fromUtf8("Olá \"mundo\" \\ 日本語 ✓\n"), "string");
        row("string array", QStringList{u"ja"_qs}, "stringArray");
        row("every byte", allBytes, "data");

        QTest::newRow("unsigned int") << QVariant(uint(4000000000u)) << QVariant(qint64(4000000000)) << u"integer"_qs;
        QTest::newRow("float") << QVariant(1.5f) << QVariant(1.5) << u"double"_qs;
        QTest::newRow("list of strings") << QVariant(QVariantList{u"ja"_qs}) << QVariant(QStringList{u"ja"_qs})
                                         << u"stringArray"_qs;
        QTest::newRow("unsigned beyond qint64") << QVariant(std::numeric_limits<qulonglong>::max()) << QVariant()
                                                << QString();
        QTest::newRow("list holding a number") << QVariant(QVariantList{u"a"_qs, 1}) << QVariant() << QString();
        QTest::newRow("point") << QVariant(QPoint(1, 2)) << QVariant() << QString();
    }

    void roundTripAcrossReopen()
    {
        QFETCH(QVariant, given);
        QFETCH(QVariant, stored);
        QFETCH(QString, type);
        OutputCapture capture(OutputCapture::StandardError);
        {
            JsonDefaultsStore store(m_path);
            store.set(Key, given);
            QVERIFY(same(store.object(Key), stored));
        }
        QCOMPARE(fileObject(m_path).value(Key).toObject().value(u"type"_qs).toString(), type);
        QVERIFY(same(JsonDefaultsStore(m_path).object(Key), stored));
        QCOMPARE(capture.text().contains(Key), !stored.isValid());
    }

    void handWrittenValues_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QVariant>("expected"); // invalid: unreadable, noted, kept in the file

        QTest::newRow("false") << QByteArray("false") << QVariant(false);
        QTest::newRow("whole number") << QByteArray("-3") << QVariant(qint64(-3));
        QTest::newRow("whole number with a point") << QByteArray("30.0") << QVariant(qint64(30));
        QTest::newRow("fraction") << QByteArray("2.5") << QVariant(2.5);
        QTest::newRow("number beyond qint64") << QByteArray("1e30") << QVariant(1e30);
        QTest::newRow("array of strings") << QByteArray(R"(["ja", "en"])") << QVariant(QStringList{u"ja"_qs, u"en"_qs});
        QTest::newRow("null") << QByteArray("null") << QVariant();
        QTest::newRow("array of numbers") << QByteArray("[1, 2]") << QVariant();
        QTest::newRow("unknown type") << QByteArray(R"({"type": "date", "value": 3})") << QVariant();
        QTest::newRow("tagged integer holding a fraction")
            << QByteArray(R"({"type": "integer", "value": 1.5})") << QVariant();
        QTest::newRow("tagged boolean holding a number") << QByteArray(R"({"type": "boolean", "value": 1})") << QVariant();
        QTest::newRow("tagged data not base64") << QByteArray(R"({"type": "data", "value": "@@"})") << QVariant();
    }

    void handWrittenValues()
    {
        QFETCH(QByteArray, json);
        QFETCH(QVariant, expected);
        QVERIFY(writeFile(m_path, "{\n  \"handWritten\": " + json + ",\n  \"other\": 1\n}\n"));

        OutputCapture capture(OutputCapture::StandardError);
        JsonDefaultsStore store(m_path);
        QVERIFY(same(store.object(u"handWritten"_qs), expected));
        QCOMPARE(store.object(u"other"_qs), QVariant(qint64(1)));
        QVERIFY(store.damagedCopyPath().isEmpty());
        QCOMPARE(capture.text().contains(u"handWritten"_qs), !expected.isValid());

        // A rewrite keeps an unreadable entry as it was; removing or writing the key replaces it.
        store.set(u"other"_qs, 2);
        store.flush();
        if (!expected.isValid()) {
            const QJsonValue original = QJsonDocument::fromJson("{\"v\": " + json + "}").object().value(u"v"_qs);
            QCOMPARE(fileObject(m_path).value(u"handWritten"_qs), original);
            QSignalSpy spy(&store, &DefaultsStore::valueChanged);
            store.remove(u"handWritten"_qs);
            QCOMPARE(spy.count(), 1);
            store.flush();
            QVERIFY(!fileObject(m_path).contains(u"handWritten"_qs));
        }
        store.set(u"handWritten"_qs, true);
        store.flush();
        QCOMPARE(JsonDefaultsStore(m_path).object(u"handWritten"_qs), QVariant(true));
    }

    // A file that is not a preferences object, or that is not even read (not a regular file, or
    // over the size cap), is noted once and moved aside by the first write, never overwritten.
    void unusableFileIsKeptAside_data()
    {
        QTest::addColumn<QString>("kind"); // empty: a regular file holding `content`
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("earlierCopy");
        QTest::addColumn<QString>("reason"); // empty: no damage, no note

        const auto file = [](const char *name, const QByteArray &content, const char *reason, bool earlier = false) {
            QTest::newRow(name) << QString() << content << earlier << QString::fromLatin1(reason);
        };
        file("not JSON", "{\"maxHistoryCount\": 30,", "is not valid JSON");
        file("an array", "[1, 2, 3]", "does not hold a JSON object");
        file("binary", QByteArray("\x00\xff\xfe{", 4), "is not valid JSON");
        file("an earlier copy is never replaced", "new damage", "is not valid JSON", true);
        file("blank file: empty, not damaged", " \n", "");
        file("valid JSON over the size cap",
             "{\"maxHistoryCount\": 30, \"a\": \"" + QByteArray(JsonDefaultsStore::MaxFileBytes, 'x') + "\"}",
             "is larger than");
        QTest::newRow("a FIFO") << u"fifo"_qs << QByteArray() << false << u"is not a regular file"_qs;
        QTest::newRow("a link to /dev/zero") << u"zero"_qs << QByteArray() << false << u"is not a regular file"_qs;
    }

    void unusableFileIsKeptAside()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(bool, earlierCopy);
        QFETCH(QString, reason);
        const bool damaged = !reason.isEmpty();
        const bool regular = kind.isEmpty(); // the others would block or fill memory if read
        const QString earlier = m_path + u".damaged"_qs;
        const QByteArray native = QFile::encodeName(m_path);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        if (kind == u"fifo"_qs)
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        else if (kind == u"zero"_qs)
            QCOMPARE(::symlink("/dev/zero", native.constData()), 0);
        else
            QVERIFY(writeFile(m_path, content));
        if (earlierCopy)
            QVERIFY(writeFile(earlier, "earlier damage"));

        OutputCapture capture(OutputCapture::StandardError);
        JsonDefaultsStore store(m_path);
        const QString keptAs = store.damagedCopyPath();
        QVERIFY(!store.contains(u"maxHistoryCount"_qs));
        if (regular)
            QCOMPARE(readFile(m_path), content); // reading alone changes nothing on disk
        const QString note = capture.text();
        if (!damaged) {
            QCOMPARE(note, QString());
            QVERIFY(keptAs.isEmpty());
        } else {
            QCOMPARE(note.count(u'\n'), 1);
            QVERIFY2(note.contains(m_path) && note.contains(keptAs) && note.contains(reason), qPrintable(note));
            QCOMPARE(keptAs == earlier, !earlierCopy);
            QVERIFY(!QFileInfo(keptAs).isSymLink() && !QFile::exists(keptAs));
        }

        OutputCapture quiet(OutputCapture::StandardError);
        store.set(u"maxHistoryCount"_qs, 30);
        QVERIFY(!damaged || !QFile::exists(keptAs)); // moved aside by the write, not the change
        store.flush();
        QCOMPARE(JsonDefaultsStore(m_path).object(u"maxHistoryCount"_qs), QVariant(qint64(30)));
        store.set(u"maxHistoryCount"_qs, 50);
        store.flush();
        if (damaged && regular)
            QCOMPARE(readFile(keptAs), content);
        if (damaged && !regular)
            QVERIFY(QFileInfo(keptAs).isSymLink() || QFileInfo(keptAs).exists());
        if (earlierCopy)
            QCOMPARE(readFile(earlier), QByteArray("earlier damage"));
        QCOMPARE(QFile::exists(earlier), damaged);
    }

    void filesArePrivateAndReplacedAtomically()
    {
        const QString folder = QFileInfo(m_path).absolutePath();
        const QString configHome = QFileInfo(folder).absolutePath();
        {
            JsonDefaultsStore store(m_path);
            QVERIFY(!QFileInfo::exists(configHome)); // nothing is created before the first write
            store.set(u"selectedLanguage"_qs, u"ja"_qs);
        }
        QCOMPARE(fileMode(configHome), 0700);
        QCOMPARE(fileMode(folder), 0700);
        QCOMPARE(fileMode(m_path), 0600);

        // A hard link keeps showing the earlier file unless the rewrite happens in place.
        const QByteArray firstVersion = readFile(m_path);
        const QString link = m_path + u".link"_qs;
        QCOMPARE(::link(QFile::encodeName(m_path).constData(), QFile::encodeName(link).constData()), 0);
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                  | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        JsonDefaultsStore store(m_path);
        store.set(u"maxHistoryCount"_qs, 100);
        store.flush();
        QCOMPARE(fileMode(m_path), 0600);
        QCOMPARE(readFile(link), firstVersion);
        const JsonDefaultsStore reopened(m_path);
        QCOMPARE(reopened.object(u"selectedLanguage"_qs), QVariant(u"ja"_qs));
        QCOMPARE(reopened.object(u"maxHistoryCount"_qs), QVariant(qint64(100)));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"defaults.json"_qs, u"defaults.json.link"_qs}));
    }

    // Readers and listeners see every change at once; the disk sees a burst of them as one write,
    // made after a pause or at once by flush(), and nothing more while nothing changes.
    void burstOfChangesIsOneWrite_data()
    {
        QTest::addColumn<bool>("flushed");
        QTest::newRow("after a pause") << false;
        QTest::newRow("flushed") << true;
    }
    void burstOfChangesIsOneWrite()
    {
        QFETCH(bool, flushed);
        JsonDefaultsStore store(m_path);
        DefaultsStore &anyStore = store; // start-up code flushes through the interface
        anyStore.flush();
        QVERIFY(!QFileInfo::exists(QFileInfo(m_path).absolutePath())); // nothing to write
        QSignalSpy spy(&store, &DefaultsStore::valueChanged);
        store.set(u"selectedLanguage"_qs, u"ja"_qs);
        for (int count = 1; count <= 39; ++count)
            store.set(u"maxHistoryCount"_qs, count);
        QCOMPARE(spy.count(), 40);
        QCOMPARE(store.object(u"maxHistoryCount"_qs), QVariant(qint64(39)));
        QVERIFY(store.hasUnsavedChanges());
        QCOMPARE(store.writeCount(), 0);
        QVERIFY(!QFile::exists(m_path));

        if (flushed) {
            anyStore.flush();
            QCOMPARE(store.writeCount(), 1);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(store.writeCount(), 1, 10 * SaveDelayMs);
        }
        QVERIFY(!store.hasUnsavedChanges());
        const JsonDefaultsStore reopened(m_path);
        QCOMPARE(reopened.object(u"selectedLanguage"_qs), QVariant(u"ja"_qs));
        QCOMPARE(reopened.object(u"maxHistoryCount"_qs), QVariant(qint64(39)));

        // Nothing left to write: neither another flush, nor a timer the changes armed, nor a write
        // that changes nothing writes again.
        store.flush();
        store.set(u"maxHistoryCount"_qs, 39);
        QVERIFY(!store.hasUnsavedChanges());
        QTest::qWait(SaveDelayMs + 200);
        QCOMPARE(store.writeCount(), 1);
    }

    void steadyStreamIsWrittenWhileItLasts()
    {
        // A slider dragged across 39 values in about a second.
        JsonDefaultsStore store(m_path);
        QElapsedTimer clock;
        clock.start();
        for (int count = 1; count <= 39; ++count) {
            store.set(u"maxHistoryCount"_qs, count);
            QTest::qWait(25);
        }
        const qint64 streamMs = clock.elapsed();
        const int writesDuringStream = store.writeCount();
        QTRY_VERIFY_WITH_TIMEOUT(!store.hasUnsavedChanges(), 10 * SaveDelayMs);

        // A timer pushed back by every change would not have written before the stream ended.
        QVERIFY2(writesDuringStream >= 1, qPrintable(QString::number(streamMs)));
        QVERIFY2(store.writeCount() <= streamMs / SaveDelayMs + 2,
                 qPrintable(u"%1 writes in %2 ms"_qs.arg(store.writeCount()).arg(streamMs)));
        QCOMPARE(JsonDefaultsStore(m_path).object(u"maxHistoryCount"_qs), QVariant(qint64(39)));
    }

    void failedWriteStaysPending_data()
    {
        QTest::addColumn<bool>("retryByChange"); // else by flush()
        QTest::newRow("retried by flush") << false;
        QTest::newRow("retried by the next change") << true;
    }

    void failedWriteStaysPending()
    {
        QFETCH(bool, retryByChange);
        // A regular file where the folder should be: no folder can be created, even by root.
        const QString folder = QFileInfo(m_path).absolutePath();
        QVERIFY(writeFile(folder, "not a folder"));
        const auto clearObstacle = [folder] { QFile::remove(folder); };
        auto cleanup = qScopeGuard(clearObstacle);

        OutputCapture capture(OutputCapture::StandardError);
        JsonDefaultsStore store(m_path);
        store.set(u"maxHistoryCount"_qs, 50);
        store.flush();
        QVERIFY(store.hasUnsavedChanges());
        QCOMPARE(store.writeCount(), 0);
        QCOMPARE(store.object(u"maxHistoryCount"_qs), QVariant(qint64(50)));
        const QString note = capture.text();
        QVERIFY2(note.count(u'\n') == 1 && note.contains(m_path), qPrintable(note));

        clearObstacle();
        if (retryByChange) {
            store.set(u"selectedLanguage"_qs, u"ja"_qs);
            QTRY_COMPARE_WITH_TIMEOUT(store.writeCount(), 1, 10 * SaveDelayMs);
        } else {
            store.flush();
            QCOMPARE(store.writeCount(), 1);
        }
        QVERIFY(!store.hasUnsavedChanges());
        // The change the disk refused is in the file with the one that came after it.
        const JsonDefaultsStore reopened(m_path);
        QCOMPARE(reopened.object(u"maxHistoryCount"_qs), QVariant(qint64(50)));
        QCOMPARE(reopened.contains(u"selectedLanguage"_qs), retryByChange);
        QCOMPARE(fileMode(m_path), 0600);
    }

    // What a store holds back is written when it goes; a store with nothing pending leaves the
    // file alone, even when someone else wrote it.
    void changesSignalAndPersistWhenTheStoreGoes()
    {
        {
            JsonDefaultsStore store(m_path);
            QSignalSpy spy(&store, &DefaultsStore::valueChanged);
            store.set(Key, true);
            store.set(Key, true); // no change: silent
            store.set(Key, 1);    // another type: a change
            QCOMPARE(store.object(Key), QVariant(qint64(1)));
            store.set(u"selectedLanguage"_qs, u"ja"_qs);
            store.remove(Key);
            store.remove(Key); // already gone: silent
            QCOMPARE(spy.count(), 4);
            QCOMPARE(spy.at(3).at(0).toString(), Key);
            QVERIFY(!QFile::exists(m_path));
        }
        JsonDefaultsStore reopened(m_path);
        QVERIFY(!reopened.contains(Key));
        QVERIFY(!fileObject(m_path).contains(Key));
        QCOMPARE(reopened.object(u"selectedLanguage"_qs), QVariant(u"ja"_qs));
        reopened.set(u"selectedLanguage"_qs, QVariant()); // an invalid value removes the key
        reopened.flush();
        QVERIFY(!JsonDefaultsStore(m_path).contains(u"selectedLanguage"_qs));
        {
            JsonDefaultsStore idle(m_path);
            JsonDefaultsStore other(m_path);
            other.set(u"selectedLanguage"_qs, u"es"_qs);
            other.flush();
        }
        QCOMPARE(JsonDefaultsStore(m_path).object(u"selectedLanguage"_qs), QVariant(u"es"_qs));
    }
};

QTEST_GUILESS_MAIN(TestJsonDefaultsStore)
#include "tst_jsondefaultsstore.moc"
