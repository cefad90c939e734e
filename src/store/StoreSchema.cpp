#include "store/StoreSchema.h"

#include "store/ModelContainer.h"

#include <QSqlError>
#include <QSqlQuery>

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

} // namespace StoreSchema
