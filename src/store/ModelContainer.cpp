#include "store/ModelContainer.h"

#include "store/HistoryQueryModel.h"
#include "store/ModelContext.h"
#include "store/SearchText.h"
#include "store/StoreSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString sqlError(const QSqlQuery &query)
{
    return query.lastError().text();
}

// Creates the file with owner-only permissions without touching one that already exists.
bool createPrivateFile(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            return true;
        *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    ::close(fd);
    return true;
}

int s_connectionSerial = 0;

// The permission bits of `path`, or -1 when it cannot be read.
int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// A folder or file its owner made unwritable stays so: Kavla says why it cannot record rather
// than changing modes it did not set.
bool refuseReadOnly(const QString &path, int mode, QString *error)
{
    if (mode < 0 || (mode & S_IWUSR))
        return false;
    *error = QStringLiteral("%1: the history is read-only (mode %2); Kavla cannot record into it and leaves it as it is")
                 .arg(path, QString::number(mode, 8).rightJustified(4, u'0'));
    return true;
}

} // namespace

ModelContainer::ModelContainer(const QString &path, const QString &connectionName)
    : m_path(path)
    , m_connectionName(connectionName)
{
    m_mainContext = new ModelContext(this);
}

ModelContainer::~ModelContainer()
{
    delete m_historyModel;
    m_historyModel = nullptr;
    delete m_mainContext;
    m_mainContext = nullptr;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString ModelContainer::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/kavla/history.sqlite");
}

HistoryQueryModel *ModelContainer::historyModel()
{
    if (!m_historyModel)
        m_historyModel = new HistoryQueryModel(m_mainContext, this);
    return m_historyModel;
}

bool ModelContainer::flush(QString *error)
{
    return !m_mainContext->hasChanges() || m_mainContext->save(error);
}

QSqlDatabase ModelContainer::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

std::unique_ptr<ModelContainer> ModelContainer::open(const QString &path, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;

    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const bool folderExisted = QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("%1: cannot create the folder").arg(folder);
        return nullptr;
    }
    const int folderMode = modeOf(folder);
    if (refuseReadOnly(folder, folderMode, error))
        return nullptr;
    // Private: a folder made here is the owner's alone, and an existing one loses what others
    // could do in it, never gains anything.
    if (!folderExisted || (folderMode >= 0 && (folderMode & 077)))
        ::chmod(QFile::encodeName(folder).constData(), folderExisted ? (folderMode & 0700) : 0700);
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("%1: not a regular file").arg(path);
        return nullptr;
    }
    if (refuseReadOnly(path, modeOf(path), error))
        return nullptr;
    if (!createPrivateFile(path, error))
        return nullptr;
    // SQLite opens a -shm it cannot write as read-only, and the history would take no save: its
    // log and index files get the history file's own mode.
    const int fileMode = modeOf(path);
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString companion = path + QLatin1String(suffix);
        const int mode = modeOf(companion);
        if (mode >= 0 && fileMode >= 0 && mode != fileMode)
            ::chmod(QFile::encodeName(companion).constData(), mode_t(fileMode));
    }

    const QString connectionName = QStringLiteral("kavla-history-%1").arg(++s_connectionSerial);
    std::unique_ptr<ModelContainer> container(new ModelContainer(path, connectionName));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        if (!db.isValid()) {
            *error = QStringLiteral("the SQLite driver of Qt is not installed");
            return nullptr;
        }
        db.setDatabaseName(path);
        // No busy wait: this connection is the interface thread's, and a history another
        // process holds locked costs a failed save retried later, never a frozen interface.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (!db.open()) {
            *error = QStringLiteral("%1: %2").arg(path, db.lastError().text());
            return nullptr;
        }
    }
    if (!container->prepareSchema(error)) {
        *error = QStringLiteral("%1: %2").arg(path, *error);
        return nullptr;
    }
    return container;
}

bool ModelContainer::prepareSchema(QString *error)
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    // The first read of the file: one that is not a database fails here, before anything is written.
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        *error = sqlError(query);
        return false;
    }
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    query.finish();

    if (tables.isEmpty()) {
        if (!StoreSchema::create(db, error))
            return false;
    } else if (!StoreSchema::verify(db, tables, error)) {
        return false;
    }

    // Owner-only, by clearing bits: never more than the owner allowed.
    const int mode = modeOf(m_path);
    if (mode >= 0 && (mode & ~0600))
        ::chmod(QFile::encodeName(m_path).constData(), mode_t(mode & 0600));
    // WAL: a commit is one append to the log, and a committed save survives the process being
    // killed at any moment after it; synchronous=NORMAL syncs at checkpoints only.
    for (const char *pragma : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = NORMAL"}) {
        if (!query.exec(QString::fromLatin1(pragma))) {
            *error = sqlError(query);
            return false;
        }
        query.finish();
    }
    return StoreSchema::prepareSearch(db, SearchText::locale().name(), error);
}

qint64 ModelContainer::largestValueBytes() const
{
    const QVariant handle = database().driver()->handle();
    sqlite3 *connection = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.constData()) : nullptr;
    if (!connection)
        return 0;
    return std::max<qint64>(0, qint64(sqlite3_limit(connection, SQLITE_LIMIT_LENGTH, -1)) - ModelContext::RowOverheadBytes);
}

std::optional<QByteArray> ModelContainer::readImageData(const QString &storedId) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT bytes FROM ClipboardItemImageData WHERE itemId = ?"));
    query.addBindValue(storedId);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

std::optional<QString> ModelContainer::readTextContent(const QString &storedId) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT textContent FROM ClipboardItem WHERE id = ?"));
    query.addBindValue(storedId);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return std::nullopt;
    return query.value(0).toString();
}

std::optional<QByteArray> ModelContainer::readTextContentUtf8(const QString &storedId) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT CAST(textContent AS BLOB) FROM ClipboardItem WHERE id = ?"));
    query.addBindValue(storedId);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return std::nullopt;
    return query.value(0).toByteArray();
}

std::optional<QByteArray> ModelContainer::readThumbnail(const QString &storedId) const
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT bytes FROM ClipboardItemThumbnail WHERE itemId = ?"));
    query.addBindValue(storedId);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

bool ModelContainer::storeThumbnail(const QString &storedId, const QByteArray &png)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO ClipboardItemThumbnail (itemId, bytes)"
                                 " SELECT id, ? FROM ClipboardItem WHERE id = ?"));
    query.addBindValue(png);
    query.addBindValue(storedId);
    return query.exec();
}
