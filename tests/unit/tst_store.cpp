// The history store: saving, fetching, deleting and reopening records, failed saves keeping their
// changes, image bytes kept apart, and files that are not a history left alone.
#include "fakes/TestData.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sqlite3.h>

namespace {

const QDateTime T0 = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);

ClipboardItemPtr textItem(const QString &text, int secondsAfterT0, const QString &type = ClipboardItem::TextType)
{
    return TestData::entry(type, text, T0.addSecs(secondsAfterT0));
}

QStringList titles(const QList<ClipboardItemPtr> &items)
{
    QStringList result;
    for (const ClipboardItemPtr &item : items)
        result << item->displayTitle();
    return result;
}

using TestData::fileMode;
using TestData::readFile;

void runSql(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private:
    QString path() const { return m_dir->filePath(QStringLiteral("kavla/history.sqlite")); }
    std::unique_ptr<ModelContainer> open()
    {
        QString error;
        auto container = ModelContainer::open(path(), &error);
        if (!container)
            qWarning() << error;
        return container;
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void savesFetchesAndReopens()
    {
        {
            auto container = open();
            QVERIFY(container);
            ModelContext *context = container->mainContext();
            context->insert(textItem(QStringLiteral("older"), 1));
            context->insert(textItem(QStringLiteral("newest"), 3));
            context->insert(textItem(QStringLiteral("middle"), 2));
            const QDateTime when = T0.addSecs(4);
            context->insert(std::make_shared<ClipboardItem>(
                QUuid::createUuid(), when, when, ClipboardItem::FileType, std::nullopt, std::nullopt,
                QStringList{QStringLiteral("/tmp/a b"), QStringLiteral("/tmp/ç")}, std::nullopt,
                std::nullopt, 0, 0, 0, 0, true));
            QString error;
            QVERIFY2(context->save(&error), qPrintable(error));
            QVERIFY(!context->hasChanges());
        }
        auto container = open();
        QVERIFY(container);
        const auto items = container->mainContext()->fetch(FetchDescriptor::historyNewestFirst());
        QVERIFY(items);
        QCOMPARE(titles(*items), (QStringList{QStringLiteral("2 arquivos"), QStringLiteral("newest"),
                                              QStringLiteral("middle"), QStringLiteral("older")}));
        const ClipboardItem &files = *items->first();
        QCOMPARE(files.filePaths(), (QStringList{QStringLiteral("/tmp/a b"), QStringLiteral("/tmp/ç")}));
        QVERIFY(!files.textContent().has_value());
        QVERIFY(!files.sourceAppBundleId().has_value());
        QVERIFY(files.isPinned());
        const ClipboardItem &newest = *items->at(1);
        QCOMPARE(newest.copiedAt(), T0.addSecs(3));
        QCOMPARE(newest.sourceAppName(), QStringLiteral("Editor"));
        QCOMPARE(newest.charCount(), 6);
        QVERIFY(!newest.filePaths().has_value());
        QCOMPARE(container->mainContext()->fetch(FetchDescriptor::all())->size(), 4);
    }

    void textLookupIsExact_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("utf8"); // stored and asked for as UTF-8, never decoded whole
        const auto row = [](const char *name, const QString &stored, const QString &asked, bool found, bool utf8 = false,
                            const QString &type = ClipboardItem::TextType) {
            QTest::newRow(name) << stored << type << asked << found << utf8;
        };
        const QString longText = u"x"_qs.repeated(100);
        const QString astral = u"\U0001F600"_qs.repeated(70);
        const QString withNul = u"ab"_qs + QChar(u'\0') + u"cd"_qs;
        const QString copy = u"çà \U0001F600 "_qs.repeated(3000);
        row("same text", u"Olá"_qs, u"Olá"_qs, true);
        row("other case", u"Olá"_qs, u"olá"_qs, false);
        row("trailing space", u"a"_qs, u"a "_qs, false);
        row("a table is no text entry", u"a\tb"_qs, u"a\tb"_qs, false, false, ClipboardItem::TableType);
        row("long, same", longText, longText, true);
        row("long, differs after the indexed prefix", longText, longText + u"y"_qs, false);
        row("astral characters", astral, astral, true);
        row("a NUL in the indexed prefix", withNul, withNul, true);
        row("a NUL, differs after it", withNul, withNul + u"e"_qs, false);
        row("a long text as UTF-8", copy, copy, true, true);
        row("a long text as UTF-8, differs at its end", copy, copy + u"!"_qs, false, true);
        row("a long text as UTF-8, a NUL in its prefix", withNul + copy, withNul + copy, true, true);
    }

    void textLookupIsExact()
    {
        QFETCH(QString, stored);
        QFETCH(QString, type);
        QFETCH(QString, asked);
        QFETCH(bool, found);
        QFETCH(bool, utf8);
        auto container = open();
        ModelContext *context = container->mainContext();
        const ClipboardItemPtr item = textItem(utf8 ? QString() : stored, 1, type);
        if (utf8)
            item->setTextContentUtf8(stored.toUtf8());
        context->insert(item);
        QVERIFY(context->save());
        container.reset();
        container = open();
        const auto matches = container->mainContext()->fetch(
            utf8 ? FetchDescriptor::textEntriesUtf8(asked.toUtf8()) : FetchDescriptor::textEntries(asked));
        QVERIFY(matches);
        QCOMPARE(matches->size(), found ? 1 : 0);
        if (found)
            QCOMPARE(matches->first()->textContent(), std::optional<QString>(stored));
    }

    // Rows of a damaged history whose id is not a UUID's text: each is an entry of its own, that
    // can be deleted and trimmed, and keeps its id as stored.
    void idsThatAreNotUuidsAreEntriesOfTheirOwn()
    {
        open().reset();
        const QString upper = QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
        QStringList rows;
        const QStringList ids{QStringLiteral("1"), QStringLiteral("abc"), QString(), upper};
        for (qsizetype i = 0; i < ids.size(); ++i) {
            rows << QStringLiteral("INSERT INTO ClipboardItem VALUES ('%1', %2, %2, 'text', 'row %3', NULL, NULL,"
                                   " NULL, NULL, 5, 2, 0, 0, 0)")
                        .arg(ids.at(i))
                        .arg(T0.toMSecsSinceEpoch() + i * 1000)
                        .arg(i);
        }
        runSql(path(), rows);

        auto container = open();
        ModelContext *context = container->mainContext();
        auto items = *context->fetch(FetchDescriptor::historyNewestFirst());
        QCOMPARE(titles(items), (QStringList{QStringLiteral("row 3"), QStringLiteral("row 2"),
                                             QStringLiteral("row 1"), QStringLiteral("row 0")}));
        QCOMPARE(QSet<QUuid>({items[0]->id(), items[1]->id(), items[2]->id(), items[3]->id()}).size(), 4);
        QCOMPARE(items[0]->storedId(), upper);
        QCOMPARE(items[1]->storedId(), QString());

        QSignalSpy saved(container.get(), &ModelContainer::didSave);
        context->remove(items[1]);
        QVERIFY(context->save());
        QVERIFY(context->trimToCapacity(1));
        QCOMPARE(saved.count(), 2);
        const QList<QUuid> trimmed = saved.at(1).at(0).value<StoreChanges>().deleted;
        QCOMPARE(QSet<QUuid>(trimmed.cbegin(), trimmed.cend()), (QSet<QUuid>{items[2]->id(), items[3]->id()}));
        container.reset();
        container = open();
        items = *container->mainContext()->fetch(FetchDescriptor::historyNewestFirst());
        QCOMPARE(titles(items), QStringList{QStringLiteral("row 3")});
        QCOMPARE(items[0]->storedId(), upper); // never rewritten
    }

    void fetchSeesPendingChangesAndKeepsIdentity()
    {
        auto container = open();
        ModelContext *context = container->mainContext();
        const ClipboardItemPtr saved = textItem(QStringLiteral("saved"), 1);
        context->insert(saved);
        QVERIFY(context->save());
        const ClipboardItemPtr pending = textItem(QStringLiteral("pending"), 2);
        context->insert(pending);

        auto items = context->fetch(FetchDescriptor::historyNewestFirst());
        QCOMPARE(titles(*items), (QStringList{QStringLiteral("pending"), QStringLiteral("saved")}));
        QVERIFY(items->at(1) == saved);  // the same object, not a copy
        QCOMPARE(context->fetch(FetchDescriptor::textEntries(QStringLiteral("pending")))->size(), 1);

        context->remove(saved);
        QCOMPARE(titles(*context->fetch(FetchDescriptor::all())), QStringList{QStringLiteral("pending")});
    }

    // Image bytes live apart from the record, are read on request, and go with it when it is deleted.
    void imageBytesAreStoredApartReadOnRequestAndDeletedWithTheRecord()
    {
        QByteArray bytes(5 * 1024 * 1024, Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(qint64(i) * 7919 % 251);
        QUuid id;
        {
            auto container = open();
            const ClipboardItemPtr image = TestData::entry(ClipboardItem::ImageType, {}, T0.addSecs(1), false, {}, bytes);
            id = image->id();
            container->mainContext()->insert(image);
            container->mainContext()->insert(textItem(QStringLiteral("stays"), 0));
            QVERIFY(container->mainContext()->save());
        }
        auto container = open();
        ModelContext *context = container->mainContext();
        const auto items = context->fetch(FetchDescriptor::historyNewestFirst());
        QCOMPARE(items->size(), 2);
        const ClipboardItemPtr image = items->first();
        QVERIFY(image->hasImageData());
        QCOMPARE(image->imageDataSize(), bytes.size());
        QCOMPARE(image->displayTitle(), QStringLiteral("Imagem (640 × 480)"));
        QCOMPARE(image->imageData(), std::optional<QByteArray>(bytes));
        const QString storedId = id.toString(QUuid::WithoutBraces);
        QCOMPARE(container->readImageData(storedId), std::optional<QByteArray>(bytes));

        context->remove(image);
        QVERIFY(context->save());
        QCOMPARE(titles(*context->fetch(FetchDescriptor::all())), QStringList{QStringLiteral("stays")});
        QVERIFY(!container->readImageData(storedId));
    }

    void failedSaveKeepsPendingChanges()
    {
        auto container = open();
        ModelContext *context = container->mainContext();
        const ClipboardItemPtr first = textItem(QStringLiteral("first"), 1);
        context->insert(first);
        QVERIFY(context->save());

        // Another writer holds the database: the save fails and nothing is lost.
        // The interface thread's connection never waits for a lock.
        QSqlQuery timeout(container->database());
        QVERIFY(timeout.exec(QStringLiteral("PRAGMA busy_timeout")) && timeout.next());
        QCOMPARE(timeout.value(0).toInt(), 0);
        timeout.finish();
        auto lock = std::make_unique<TestData::WriteLock>(path());

        QSignalSpy saved(container.get(), &ModelContainer::didSave);
        const ClipboardItemPtr second = textItem(QStringLiteral("second"), 2);
        context->insert(second);
        first->setCopiedAt(T0.addSecs(10));
        QString error;
        QVERIFY(!context->save(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(context->hasChanges());
        QCOMPARE(saved.count(), 0);

        lock.reset();

        // Retried on its own, with no later capture to carry it.
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 3 * ModelContext::RetryIntervalMs);
        QVERIFY(!context->hasChanges());
        auto reopened = std::unique_ptr<ModelContainer>();
        container.reset();
        reopened = open();
        QCOMPARE(titles(*reopened->mainContext()->fetch(FetchDescriptor::historyNewestFirst())),
                 (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
    }

    void recordThatCanNeverBeWrittenIsDroppedAlone_data()
    {
        QTest::addColumn<bool>("sameId");
        QTest::addColumn<QString>("reason");
        QTest::newRow("an id already stored") << true << QStringLiteral("UNIQUE");
        // A tiny length limit stands for a copy of a gigabyte.
        QTest::newRow("too big for SQLite") << false << QStringLiteral("too big");
    }

    void recordThatCanNeverBeWrittenIsDroppedAlone()
    {
        QFETCH(bool, sameId);
        QFETCH(QString, reason);
        auto container = open();
        ModelContext *context = container->mainContext();
        const ClipboardItemPtr original = textItem(QStringLiteral("original"), 1);
        context->insert(original);
        QVERIFY(context->save());
        const QVariant handle = container->database().driver()->handle();
        sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.data());
        sqlite3_limit(connection, SQLITE_LIMIT_LENGTH, 4096);

        const QDateTime when = T0.addSecs(2);
        const auto bad = std::make_shared<ClipboardItem>(
            sameId ? original->id() : QUuid::createUuid(), when, when, ClipboardItem::TextType,
            sameId ? QStringLiteral("twin") : QString(5000, u'x'), std::nullopt, std::nullopt, QString(),
            QString(), 4, 1, 0, 0, false);
        const ClipboardItemPtr pinned = original;
        pinned->setIsPinned(true); // pending too: written with the next save
        context->insert(bad);
        QString error;
        QVERIFY(!context->save(&error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!context->hasChanges());
        context->remove(bad); // nothing to delete: the stored original keeps its id

        // Later copies are recorded; the dropped one is not tried again.
        context->insert(textItem(QStringLiteral("later"), 3));
        QVERIFY2(context->save(&error), qPrintable(error));
        container.reset();
        container = open();
        const auto items = container->mainContext()->fetch(FetchDescriptor::historyNewestFirst());
        QCOMPARE(titles(*items), (QStringList{QStringLiteral("later"), QStringLiteral("original")}));
        QVERIFY(items->last()->isPinned());
    }

    // A file that is no history, or one its owner made read-only, is refused with the path and the
    // reason, and left as it is: its bytes, its modes, and no -shm made beside it.
    void refusesWhatItCannotRecordIntoAndLeavesItAlone_data()
    {
        QTest::addColumn<QStringList>("statements"); // none and no contents: a history Kavla made
        QTest::addColumn<QByteArray>("rawContents");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<bool>("folderNamed"); // the error names the folder, not the file
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const QString &reason, const QStringList &statements,
                            const QByteArray &rawContents = {}, int fileMode = 0600, int folderMode = 0700) {
            QTest::newRow(name) << statements << rawContents << fileMode << folderMode << (folderMode != 0700) << reason;
        };
        row("garbage", u"file is not a database"_qs, {}, QByteArray(4096, 'z'));
        row("another application's tables", u"not a Kavla history database"_qs, {u"CREATE TABLE notes (body TEXT)"_qs});
        row("a newer schema", u"unsupported history schema version 2.0.0"_qs,
            {u"CREATE TABLE ClipboardItem (id TEXT)"_qs, u"CREATE TABLE ClipboardItemImageData (itemId TEXT, bytes BLOB)"_qs,
             u"CREATE TABLE KavlaMetadata (key TEXT, value TEXT)"_qs,
             u"INSERT INTO KavlaMetadata VALUES ('schemaVersion', '2.0.0')"_qs});
        row("file 0400", u"read-only"_qs, {}, {}, 0400);
        row("folder 0500", u"read-only"_qs, {}, {}, 0600, 0500);
    }

    void refusesWhatItCannotRecordIntoAndLeavesItAlone()
    {
        QFETCH(QStringList, statements);
        QFETCH(QByteArray, rawContents);
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        QFETCH(bool, folderNamed);
        QFETCH(QString, reason);
        const QString folder = QFileInfo(path()).absolutePath();
        QVERIFY(QDir().mkpath(folder));
        if (!rawContents.isEmpty())
            QVERIFY(TestData::writeFile(path(), rawContents));
        else if (!statements.isEmpty())
            runSql(path(), statements);
        else
            QVERIFY(open());
        QVERIFY(::chmod(QFile::encodeName(path()).constData(), mode_t(fileMode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)) == 0);
        const auto restore = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0700); });
        const QByteArray before = readFile(path());

        QString error;
        QVERIFY(!ModelContainer::open(path(), &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY2(error.startsWith(folderNamed ? folder + u':' : path()), qPrintable(error));
        QCOMPARE(TestData::fileMode(path()), fileMode);
        QCOMPARE(TestData::fileMode(folder), folderMode);
        QVERIFY(!QFile::exists(path() + QStringLiteral("-shm")));
        QCOMPARE(readFile(path()), before);
    }

    // SQLite would open a -shm it cannot write as read-only and take no save: it gets the file's mode.
    void leftoverShmGetsTheFilesMode()
    {
        QVERIFY(open()); // creates the history
        const QString shm = path() + QStringLiteral("-shm");
        QVERIFY(TestData::writeFile(shm, {}));
        QVERIFY(::chmod(QFile::encodeName(shm).constData(), 0400) == 0);
        QString error;
        auto container = ModelContainer::open(path(), &error);
        QVERIFY2(container, qPrintable(error));
        container->mainContext()->insert(textItem(QStringLiteral("recorded"), 1));
        QVERIFY2(container->mainContext()->save(&error), qPrintable(error));
        QCOMPARE(fileMode(shm), 0600);
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
