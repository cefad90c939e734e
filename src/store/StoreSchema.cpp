#include "store/StoreSchema.h"

#include "store/ModelContainer.h"

#include <QSqlError>
#include <QSqlQuery>

#include <iterator>

namespace StoreSchema {

namespace {

// Identifies the file as ours to tools like `file` and to our own check ("KAVL").
constexpr int ApplicationId = 0x4B41564C;

const char *const CreateStatements[] = {
    "CREATE TABLE ClipboardItem ("
    " id TEXT NOT NULL PRIMARY KEY,"
    " createdAt INTEGER NOT NULL,"   // milliseconds since the epoch, UTC
    " copiedAt INTEGER NOT NULL,"
    " contentType TEXT NOT NULL,"
    " textContent TEXT,"
    " imageData INTEGER,"            // size of the bytes in ClipboardItemImageData; NULL without image
    " filePaths TEXT,"               // JSON array of paths
    " sourceAppBundleId TEXT,"
    " sourceAppName TEXT,"
    " charCount INTEGER NOT NULL,"
    " wordCount INTEGER NOT NULL,"
    " imageWidth REAL NOT NULL,"
    " imageHeight REAL NOT NULL,"
    " isPinned INTEGER NOT NULL)",
    "CREATE INDEX ClipboardItem_copiedAt ON ClipboardItem (copiedAt DESC)",
    // Finds a repeated text without indexing whole texts, which may be megabytes long.
    "CREATE INDEX ClipboardItem_textPrefix ON ClipboardItem (contentType, substr(textContent, 1, 64))",
    "CREATE TABLE ClipboardItemImageData (itemId TEXT NOT NULL PRIMARY KEY, bytes BLOB NOT NULL)",
    "CREATE TABLE KavlaMetadata (key TEXT NOT NULL PRIMARY KEY, value TEXT NOT NULL)",
};

// Derived structures, added to a history of this version that lacks them: the folded copies that
// searches match long texts against, and the trigger that deletes an item's side rows with it,
// so that trimming the history is one statement.
// A folded copy is kept in chunks (see ModelContext::SearchChunkUnits), so a search that finds
// its text early reads no further.
const char *const SideTableStatement =
    "CREATE TABLE IF NOT EXISTS ClipboardItemSearchText (itemId TEXT NOT NULL, chunk INTEGER NOT NULL,"
    " foldedText BLOB NOT NULL, PRIMARY KEY (itemId, chunk))";
const char *const SideRowsTriggerStatement =
    "CREATE TRIGGER IF NOT EXISTS ClipboardItem_deleteSideRows AFTER DELETE ON ClipboardItem BEGIN"
    " DELETE FROM ClipboardItemImageData WHERE itemId = old.id;"
    " DELETE FROM ClipboardItemSearchText WHERE itemId = old.id;"
    " END";
// The small thumbnail of an image entry, made once and deleted with it (added later than the
// folded copies, so with a trigger of its own).
const char *const ThumbnailTableStatement =
    "CREATE TABLE IF NOT EXISTS ClipboardItemThumbnail (itemId TEXT NOT NULL PRIMARY KEY, bytes BLOB NOT NULL)";
const char *const ThumbnailTriggerStatement =
    "CREATE TRIGGER IF NOT EXISTS ClipboardItem_deleteThumbnail AFTER DELETE ON ClipboardItem BEGIN"
    " DELETE FROM ClipboardItemThumbnail WHERE itemId = old.id;"
    " END";
const char *const DerivedStatements[] = {SideTableStatement, SideRowsTriggerStatement, ThumbnailTableStatement,
                                         ThumbnailTriggerStatement};
const QString FoldLocaleKey = QStringLiteral("searchFoldLocale");

bool fail(const QSqlQuery &query, QString *error)
{
    *error = query.lastError().text();
    return false;
}

} // namespace

const QStringList &itemColumns()
{
    static const QStringList columns = {
        QStringLiteral("id"), QStringLiteral("createdAt"), QStringLiteral("copiedAt"),
        QStringLiteral("contentType"), QStringLiteral("textContent"), QStringLiteral("imageData"),
        QStringLiteral("filePaths"), QStringLiteral("sourceAppBundleId"),
        QStringLiteral("sourceAppName"), QStringLiteral("charCount"), QStringLiteral("wordCount"),
        QStringLiteral("imageWidth"), QStringLiteral("imageHeight"), QStringLiteral("isPinned"),
    };
    return columns;
}

bool create(QSqlDatabase &db, QString *error)
{
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    bool ok = true;
    for (const char *statement : CreateStatements) {
        if (!query.exec(QString::fromLatin1(statement))) {
            ok = fail(query, error);
            break;
        }
    }
    for (const char *statement : DerivedStatements) {
        if (ok && !query.exec(QString::fromLatin1(statement)))
            ok = fail(query, error);
    }
    if (ok) {
        query.prepare(QStringLiteral("INSERT INTO KavlaMetadata (key, value) VALUES (?, ?), (?, ?)"));
        query.addBindValue(QStringLiteral("schemaVersion"));
        query.addBindValue(ModelContainer::SchemaVersion);
        query.addBindValue(QStringLiteral("schema"));
        query.addBindValue(QStringLiteral("ClipboardItem"));
        ok = query.exec() || fail(query, error);
    }
    if (ok)
        ok = query.exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId))
            || fail(query, error);
    query.finish();
    if (!ok) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool verify(QSqlDatabase &db, const QStringList &tables, QString *error)
{
    const QString notOurs = QStringLiteral("not a Kavla history database");
    if (!tables.contains(QStringLiteral("KavlaMetadata"))
        || !tables.contains(QStringLiteral("ClipboardItem"))
        || !tables.contains(QStringLiteral("ClipboardItemImageData"))) {
        *error = notOurs;
        return false;
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT value FROM KavlaMetadata WHERE key = 'schemaVersion'")))
        return fail(query, error);
    if (!query.next()) {
        *error = notOurs;
        return false;
    }
    const QString version = query.value(0).toString();
    query.finish();
    if (version != ModelContainer::SchemaVersion) {
        *error = QStringLiteral("unsupported history schema version %1 (this Kavla reads %2)")
                     .arg(version, ModelContainer::SchemaVersion);
        return false;
    }
    if (!query.exec(QStringLiteral("PRAGMA table_info(ClipboardItem)")))
        return fail(query, error);
    QStringList columns;
    while (query.next())
        columns << query.value(1).toString();
    query.finish();
    if (columns != itemColumns()) {
        *error = QStringLiteral("the ClipboardItem table has unexpected columns: %1")
                     .arg(columns.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

bool prepareSearch(QSqlDatabase &db, const QString &foldLocale, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE"
                                   " (type = 'table' AND name IN ('ClipboardItemSearchText', 'ClipboardItemThumbnail'))"
                                   " OR (type = 'trigger' AND name IN ('ClipboardItem_deleteSideRows',"
                                   " 'ClipboardItem_deleteThumbnail'))"))
        || !query.next())
        return fail(query, error);
    const bool complete = query.value(0).toInt() == int(std::size(DerivedStatements));
    query.finish();
    if (!query.exec(QStringLiteral("SELECT value FROM KavlaMetadata WHERE key = 'searchFoldLocale'")))
        return fail(query, error);
    const bool sameLocale = query.next() && query.value(0).toString() == foldLocale;
    query.finish();
    if (complete && sameLocale)
        return true; // nothing to write: a read-only history still opens

    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    bool ok = true;
    for (const char *statement : DerivedStatements) {
        if (ok && !query.exec(QString::fromLatin1(statement)))
            ok = fail(query, error);
    }
    // Copies folded under another locale would match differently: searches fold those texts
    // afresh until they are stored again.
    if (ok && !sameLocale && !query.exec(QStringLiteral("DELETE FROM ClipboardItemSearchText")))
        ok = fail(query, error);
    if (ok) {
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO KavlaMetadata (key, value) VALUES (?, ?)"));
        query.addBindValue(FoldLocaleKey);
        query.addBindValue(foldLocale);
        ok = query.exec() || fail(query, error);
    }
    query.finish();
    if (!ok || !db.commit()) {
        if (ok)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

} // namespace StoreSchema
