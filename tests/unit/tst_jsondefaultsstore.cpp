#include "platform/xdg/JsonDefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Collects what the code under test writes to standard error, where the store's notes go.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_savedDescriptor = ::dup(STDERR_FILENO);
        m_file = std::tmpfile();
        ::dup2(::fileno(m_file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        std::fflush(stderr);
        ::dup2(m_savedDescriptor, STDERR_FILENO);
        ::close(m_savedDescriptor);
        std::fclose(m_file);
    }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    QString text() const
    {
        std::fflush(stderr);
        QByteArray bytes;
        char buffer[4096];
        std::rewind(m_file);
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, m_file)) > 0)
            bytes.append(buffer, qsizetype(count));
        std::fseek(m_file, 0, SEEK_END);
        return QString::fromUtf8(bytes);
    }

private:
    int m_savedDescriptor = -1;
    FILE *m_file = nullptr;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

int fileMode(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return int(status.st_mode & 07777);
}

QJsonObject fileObject(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

bool sameStoredValue(const QVariant &actual, const QVariant &expected)
{
    if (actual.metaType() != expected.metaType())
        return false;
    if (expected.typeId() == QMetaType::Double && std::isnan(expected.toDouble()))
        return std::isnan(actual.toDouble());
    return actual == expected;
}

QString describe(const QVariant &value)
{
    return QStringLiteral("%1(%2)").arg(QString::fromLatin1(value.typeName()),
                                        value.typeId() == QMetaType::QStringList
                                            ? value.toStringList().join(QLatin1Char(','))
                                            : value.toString());
}

} // namespace

class TestJsonDefaultsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_path;
    int m_caseNumber = 0;

private Q_SLOTS:
    void init();

    void roundTripAcrossReopen_data();
    void roundTripAcrossReopen();
    void acceptedValueForms_data();
    void acceptedValueForms();
    void handWrittenValues_data();
    void handWrittenValues();
    void unreadableEntriesSurviveRewrites();
    void damagedFileIsKeptAside_data();
    void damagedFileIsKeptAside();
    void damagedCopyNeverReplacesAnEarlierOne();
    void emptyFileIsAnEmptyStore();
    void missingFileCreatesPrivateFoldersOnFirstWrite();
    void rewriteMakesAnExistingFilePrivate();
    void rewriteReplacesTheFileAtomically();
    void failedWriteKeepsTheValueInMemory();
    void removalPersists();
    void changeSignals();
    void defaultPathFollowsXdgConfigHome();
};

void TestJsonDefaultsStore::init()
{
    QVERIFY(m_folder.isValid());
    // Each case gets its own configuration folder, not yet created.
    m_path = m_folder.filePath(QStringLiteral("case%1/kavla/defaults.json").arg(++m_caseNumber));
}

void TestJsonDefaultsStore::roundTripAcrossReopen_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("type");

    constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();
    constexpr qint64 Int64Min = std::numeric_limits<qint64>::min();
    QByteArray allBytes;
    for (int byte = 0; byte < 256; ++byte)
        allBytes.append(char(byte));

    QTest::newRow("true") << QVariant(true) << QStringLiteral("boolean");
    QTest::newRow("false") << QVariant(false) << QStringLiteral("boolean");
    QTest::newRow("integer") << QVariant(qint64(30)) << QStringLiteral("integer");
    QTest::newRow("zero") << QVariant(qint64(0)) << QStringLiteral("integer");
    QTest::newRow("negative integer") << QVariant(qint64(-5)) << QStringLiteral("integer");
    QTest::newRow("largest integer") << QVariant(Int64Max) << QStringLiteral("integer");
    QTest::newRow("smallest integer") << QVariant(Int64Min) << QStringLiteral("integer");
    QTest::newRow("integer beyond 2^53") << QVariant(qint64(9007199254740993)) << QStringLiteral("integer");
    QTest::newRow("double") << QVariant(0.1) << QStringLiteral("double");
    QTest::newRow("whole double") << QVariant(30.0) << QStringLiteral("double");
    QTest::newRow("huge double") << QVariant(1e300) << QStringLiteral("double");
    QTest::newRow("tiny double") << QVariant(5e-324) << QStringLiteral("double");
    QTest::newRow("NaN") << QVariant(std::nan("")) << QStringLiteral("double");
    QTest::newRow("infinity") << QVariant(HUGE_VAL) << QStringLiteral("double");
    QTest::newRow("negative infinity") << QVariant(-HUGE_VAL) << QStringLiteral("double");
    QTest::newRow("string") << QVariant(QStringLiteral("cmd_shift_v")) << QStringLiteral("string");
    QTest::newRow("empty string") << QVariant(QString()) << QStringLiteral("string");
    QTest::newRow("string that looks like a number") << QVariant(QStringLiteral("30")) << QStringLiteral("string");
    QTest::newRow("string \"nan\"") << QVariant(QStringLiteral("nan")) << QStringLiteral("string");
    QTest::newRow("unicode string") << QVariant(QString::fromUtf8("Olá \"mundo\" \\ 日本語 ✓\n"))
                                    << QStringLiteral("string");
    QTest::newRow("string array") << QVariant(QStringList{QStringLiteral("ja")}) << QStringLiteral("stringArray");
    QTest::newRow("empty string array") << QVariant(QStringList()) << QStringLiteral("stringArray");
    QTest::newRow("data") << QVariant(QByteArray("[{\"bundleIdentifier\":\"a\",\"name\":\"A\"}]"))
                          << QStringLiteral("data");
    QTest::newRow("every byte") << QVariant(allBytes) << QStringLiteral("data");
    QTest::newRow("empty data") << QVariant(QByteArray()) << QStringLiteral("data");
}

void TestJsonDefaultsStore::roundTripAcrossReopen()
{
    QFETCH(QVariant, value);
    QFETCH(QString, type);
    const QString key = QStringLiteral("someKey");
    {
        JsonDefaultsStore store(m_path);
        store.set(key, value);
        QVERIFY2(sameStoredValue(store.object(key), value), qPrintable(describe(store.object(key))));
    }
    QCOMPARE(fileObject(m_path).value(key).toObject().value(QStringLiteral("type")).toString(), type);

    JsonDefaultsStore reopened(m_path);
    QVERIFY2(sameStoredValue(reopened.object(key), value), qPrintable(describe(reopened.object(key))));
}

void TestJsonDefaultsStore::acceptedValueForms_data()
{
    QTest::addColumn<QVariant>("given");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("int") << QVariant(int(7)) << QVariant(qint64(7));
    QTest::newRow("unsigned int") << QVariant(uint(4000000000u)) << QVariant(qint64(4000000000));
    QTest::newRow("unsigned long long in range") << QVariant(qulonglong(12)) << QVariant(qint64(12));
    QTest::newRow("float") << QVariant(1.5f) << QVariant(1.5);
    QTest::newRow("list of strings")
        << QVariant(QVariantList{QStringLiteral("ja")}) << QVariant(QStringList{QStringLiteral("ja")});
    QTest::newRow("unsigned long long beyond qint64")
        << QVariant(std::numeric_limits<qulonglong>::max()) << QVariant();
    QTest::newRow("list holding a number") << QVariant(QVariantList{QStringLiteral("a"), 1}) << QVariant();
    QTest::newRow("point") << QVariant(QPoint(1, 2)) << QVariant();
}

void TestJsonDefaultsStore::acceptedValueForms()
{
    QFETCH(QVariant, given);
    QFETCH(QVariant, stored);
    const QString key = QStringLiteral("someKey");
    StderrCapture capture;
    JsonDefaultsStore store(m_path);
    store.set(key, given);
    QVERIFY2(sameStoredValue(store.object(key), stored), qPrintable(describe(store.object(key))));
    QVERIFY2(sameStoredValue(JsonDefaultsStore(m_path).object(key), stored), "after reopening");
    // A value the store refuses is said so, not dropped in silence.
    QCOMPARE(capture.text().contains(QStringLiteral("someKey")), !stored.isValid());
}

void TestJsonDefaultsStore::handWrittenValues_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("false") << QByteArray("false") << QVariant(false);
    QTest::newRow("true") << QByteArray("true") << QVariant(true);
    QTest::newRow("string") << QByteArray("\"pt-BR\"") << QVariant(QStringLiteral("pt-BR"));
    QTest::newRow("whole number") << QByteArray("30") << QVariant(qint64(30));
    QTest::newRow("negative whole number") << QByteArray("-3") << QVariant(qint64(-3));
    QTest::newRow("whole number with a point") << QByteArray("30.0") << QVariant(qint64(30));
    QTest::newRow("fraction") << QByteArray("2.5") << QVariant(2.5);
    QTest::newRow("number beyond qint64") << QByteArray("1e30") << QVariant(1e30);
    QTest::newRow("array of strings") << QByteArray("[\"ja\", \"en\"]")
                                      << QVariant(QStringList{QStringLiteral("ja"), QStringLiteral("en")});
    QTest::newRow("empty array") << QByteArray("[]") << QVariant(QStringList());
    QTest::newRow("tagged integer") << QByteArray(R"({"type": "integer", "value": 7})") << QVariant(qint64(7));
    QTest::newRow("tagged double") << QByteArray(R"({"type": "double", "value": 7})") << QVariant(7.0);
    QTest::newRow("tagged data") << QByteArray(R"({"type": "data", "value": "aGk="})") << QVariant(QByteArray("hi"));
    QTest::newRow("null") << QByteArray("null") << QVariant();
    QTest::newRow("array of numbers") << QByteArray("[1, 2]") << QVariant();
    QTest::newRow("object without a type") << QByteArray(R"({"value": 3})") << QVariant();
    QTest::newRow("unknown type") << QByteArray(R"({"type": "date", "value": 3})") << QVariant();
    QTest::newRow("tagged integer holding text") << QByteArray(R"({"type": "integer", "value": "x"})") << QVariant();
    QTest::newRow("tagged integer holding a fraction") << QByteArray(R"({"type": "integer", "value": 1.5})") << QVariant();
    QTest::newRow("tagged boolean holding a number") << QByteArray(R"({"type": "boolean", "value": 1})") << QVariant();
    QTest::newRow("tagged data that is not base64") << QByteArray(R"({"type": "data", "value": "@@"})") << QVariant();
}

void TestJsonDefaultsStore::handWrittenValues()
{
    QFETCH(QByteArray, json);
    QFETCH(QVariant, expected);
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    QVERIFY(writeFile(m_path, "{\n  \"handWritten\": " + json + ",\n  \"other\": 1\n}\n"));

    StderrCapture capture;
    JsonDefaultsStore store(m_path);
    QVERIFY2(sameStoredValue(store.object(QStringLiteral("handWritten")), expected),
             qPrintable(describe(store.object(QStringLiteral("handWritten")))));
    QCOMPARE(store.contains(QStringLiteral("handWritten")), expected.isValid());
    QCOMPARE(store.object(QStringLiteral("other")), QVariant(qint64(1)));
    QCOMPARE(capture.text().contains(QStringLiteral("handWritten")), !expected.isValid());
    QVERIFY(store.damagedCopyPath().isEmpty());
}

void TestJsonDefaultsStore::unreadableEntriesSurviveRewrites()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    QVERIFY(writeFile(m_path, R"({"futureKey": {"type": "date", "value": 3}, "nothing": null})"));
    {
        StderrCapture capture;
        JsonDefaultsStore store(m_path);
        store.set(QStringLiteral("maxHistoryCount"), 50);
    }
    QJsonObject written = fileObject(m_path);
    QCOMPARE(written.value(QStringLiteral("futureKey")).toObject().value(QStringLiteral("type")).toString(),
             QStringLiteral("date"));
    QVERIFY(written.contains(QStringLiteral("nothing")));
    QVERIFY(written.value(QStringLiteral("nothing")).isNull());

    // Writing or removing such a key replaces it like any other.
    {
        StderrCapture capture;
        JsonDefaultsStore store(m_path);
        QSignalSpy spy(&store, &DefaultsStore::valueChanged);
        store.set(QStringLiteral("futureKey"), true);
        store.remove(QStringLiteral("nothing"));
        QCOMPARE(spy.count(), 2);
    }
    written = fileObject(m_path);
    QVERIFY(!written.contains(QStringLiteral("nothing")));
    QCOMPARE(JsonDefaultsStore(m_path).object(QStringLiteral("futureKey")), QVariant(true));
}

void TestJsonDefaultsStore::damagedFileIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("not JSON") << QByteArray("{\"maxHistoryCount\": 30,");
    QTest::newRow("an array") << QByteArray("[1, 2, 3]");
    QTest::newRow("a number") << QByteArray("42");
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4);
}

void TestJsonDefaultsStore::damagedFileIsKeptAside()
{
    QFETCH(QByteArray, content);
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    QVERIFY(writeFile(m_path, content));
    const QString damagedPath = m_path + QStringLiteral(".damaged");

    StderrCapture capture;
    JsonDefaultsStore store(m_path);
    const QString note = capture.text();
    QCOMPARE(note.count(QLatin1Char('\n')), 1);
    QVERIFY2(note.contains(m_path) && note.contains(damagedPath), qPrintable(note));
    QCOMPARE(store.damagedCopyPath(), damagedPath);
    QVERIFY(!store.contains(QStringLiteral("maxHistoryCount")));

    // Reading alone changes nothing on disk.
    QCOMPARE(readFile(m_path), content);
    QVERIFY(!QFile::exists(damagedPath));

    store.set(QStringLiteral("maxHistoryCount"), 30);
    QCOMPARE(readFile(damagedPath), content);
    QCOMPARE(JsonDefaultsStore(m_path).object(QStringLiteral("maxHistoryCount")), QVariant(qint64(30)));
    QCOMPARE(fileMode(m_path), 0600);

    // Later writes leave the kept copy alone.
    store.set(QStringLiteral("maxHistoryCount"), 50);
    QCOMPARE(readFile(damagedPath), content);
}

void TestJsonDefaultsStore::damagedCopyNeverReplacesAnEarlierOne()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    const QString earlierCopy = m_path + QStringLiteral(".damaged");
    QVERIFY(writeFile(earlierCopy, "earlier damage"));
    QVERIFY(writeFile(m_path, "new damage"));

    StderrCapture capture;
    JsonDefaultsStore store(m_path);
    const QString keptAs = store.damagedCopyPath();
    QVERIFY(!keptAs.isEmpty());
    QVERIFY(keptAs != earlierCopy);
    QVERIFY2(capture.text().contains(keptAs), qPrintable(capture.text()));

    store.set(QStringLiteral("enableCaptureText"), false);
    QCOMPARE(readFile(earlierCopy), QByteArray("earlier damage"));
    QCOMPARE(readFile(keptAs), QByteArray("new damage"));
}

void TestJsonDefaultsStore::emptyFileIsAnEmptyStore()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    QVERIFY(writeFile(m_path, " \n"));
    StderrCapture capture;
    JsonDefaultsStore store(m_path);
    QVERIFY(!store.contains(QStringLiteral("maxHistoryCount")));
    QVERIFY(store.damagedCopyPath().isEmpty());
    QCOMPARE(capture.text(), QString());
}

void TestJsonDefaultsStore::missingFileCreatesPrivateFoldersOnFirstWrite()
{
    const QString configHome = QFileInfo(QFileInfo(m_path).absolutePath()).absolutePath();
    StderrCapture capture;
    JsonDefaultsStore store(m_path);
    QVERIFY(!store.contains(QStringLiteral("maxHistoryCount")));
    QVERIFY(!QFileInfo::exists(configHome));
    QCOMPARE(capture.text(), QString());

    store.set(QStringLiteral("selectedLanguage"), QStringLiteral("ja"));
    QCOMPARE(fileMode(configHome), 0700);
    QCOMPARE(fileMode(QFileInfo(m_path).absolutePath()), 0700);
    QCOMPARE(fileMode(m_path), 0600);
    QCOMPARE(capture.text(), QString());
}

void TestJsonDefaultsStore::rewriteMakesAnExistingFilePrivate()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    QVERIFY(writeFile(m_path, R"({"enableCaptureFile": false})"));
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    JsonDefaultsStore store(m_path);
    store.set(QStringLiteral("enableCaptureText"), true);
    QCOMPARE(fileMode(m_path), 0600);
    JsonDefaultsStore reopened(m_path);
    QCOMPARE(reopened.object(QStringLiteral("enableCaptureFile")), QVariant(false));
    QCOMPARE(reopened.object(QStringLiteral("enableCaptureText")), QVariant(true));
}

void TestJsonDefaultsStore::rewriteReplacesTheFileAtomically()
{
    JsonDefaultsStore store(m_path);
    store.set(QStringLiteral("maxHistoryCount"), 15);
    const QByteArray firstVersion = readFile(m_path);

    // A hard link keeps the earlier file: a rewrite in place would change what it shows, a new
    // file renamed over the old name does not.
    const QString link = m_path + QStringLiteral(".link");
    QCOMPARE(::link(QFile::encodeName(m_path).constData(), QFile::encodeName(link).constData()), 0);

    store.set(QStringLiteral("maxHistoryCount"), 100);
    QCOMPARE(readFile(link), firstVersion);
    QCOMPARE(JsonDefaultsStore(m_path).object(QStringLiteral("maxHistoryCount")), QVariant(qint64(100)));

    // No temporary file is left behind.
    const QStringList entries = QDir(QFileInfo(m_path).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(entries, (QStringList{QStringLiteral("defaults.json"), QStringLiteral("defaults.json.link")}));
}

void TestJsonDefaultsStore::failedWriteKeepsTheValueInMemory()
{
    // A regular file where the folder should be: no folder can be created, even by root.
    const QString blocker = m_folder.filePath(QStringLiteral("blocker"));
    QVERIFY(writeFile(blocker, "not a folder"));
    const QString path = blocker + QStringLiteral("/kavla/defaults.json");

    StderrCapture capture;
    JsonDefaultsStore store(path);
    QSignalSpy spy(&store, &DefaultsStore::valueChanged);
    store.set(QStringLiteral("maxHistoryCount"), 50);

    QCOMPARE(store.object(QStringLiteral("maxHistoryCount")), QVariant(qint64(50)));
    QCOMPARE(spy.count(), 1);
    const QString note = capture.text();
    QCOMPARE(note.count(QLatin1Char('\n')), 1);
    QVERIFY2(note.contains(QStringLiteral("Could not save preferences")) && note.contains(path),
             qPrintable(note));
    QCOMPARE(readFile(blocker), QByteArray("not a folder"));
}

void TestJsonDefaultsStore::removalPersists()
{
    {
        JsonDefaultsStore store(m_path);
        store.set(QStringLiteral("AppleLanguages"), QStringList{QStringLiteral("ja")});
        store.set(QStringLiteral("selectedLanguage"), QStringLiteral("ja"));
        store.remove(QStringLiteral("AppleLanguages"));
        QVERIFY(!store.contains(QStringLiteral("AppleLanguages")));
    }
    JsonDefaultsStore reopened(m_path);
    QVERIFY(!reopened.contains(QStringLiteral("AppleLanguages")));
    QCOMPARE(reopened.object(QStringLiteral("selectedLanguage")), QVariant(QStringLiteral("ja")));
    QVERIFY(!fileObject(m_path).contains(QStringLiteral("AppleLanguages")));

    // Setting an invalid value removes the key too.
    reopened.set(QStringLiteral("selectedLanguage"), QVariant());
    QVERIFY(!JsonDefaultsStore(m_path).contains(QStringLiteral("selectedLanguage")));
}

void TestJsonDefaultsStore::changeSignals()
{
    JsonDefaultsStore store(m_path);
    QSignalSpy spy(&store, &DefaultsStore::valueChanged);
    const QString key = QStringLiteral("enableSoundFeedback");

    store.set(key, true);
    QCOMPARE(spy.count(), 1);
    // A write that changes nothing is not a change; one that changes the type is.
    store.set(key, true);
    QCOMPARE(spy.count(), 1);
    store.set(key, 1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(store.object(key), QVariant(qint64(1)));
    store.remove(key);
    QCOMPARE(spy.count(), 3);
    store.remove(key);
    QCOMPARE(spy.count(), 3);
    for (const QList<QVariant> &arguments : std::as_const(spy))
        QCOMPARE(arguments.at(0).toString(), key);
}

void TestJsonDefaultsStore::defaultPathFollowsXdgConfigHome()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.path()));
    const QString path = JsonDefaultsStore::defaultPath();
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(path, m_folder.path() + QStringLiteral("/kavla/defaults.json"));
}

QTEST_GUILESS_MAIN(TestJsonDefaultsStore)
#include "tst_jsondefaultsstore.moc"
