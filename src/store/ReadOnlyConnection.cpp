#include "store/ReadOnlyConnection.h"

ReadOnlyConnection::ReadOnlyConnection(const QString &databasePath, const QString &purpose)
    : m_databasePath(databasePath)
    , m_name(purpose)
{
}

bool ReadOnlyConnection::open()
{
    if (QSqlDatabase::contains(m_name))
        return database().isOpen();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(m_databasePath);
    // The interface thread is the one writer; a read waits for its commit rather than failing.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
    return db.open();
}

void ReadOnlyConnection::close()
{
    if (QSqlDatabase::contains(m_name)) {
        database().close();
        QSqlDatabase::removeDatabase(m_name);
    }
}
