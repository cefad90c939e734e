#pragma once

#include <QSqlDatabase>
#include <QString>

// A read-only connection to the history for a worker thread. Qt's SQL connections belong to the
// thread that opens them, so it is opened on first use by that thread and closed there too.
class ReadOnlyConnection
{
public:
    // `purpose` names the connection, unique per owner (e.g. "kavla-search-<address>").
    ReadOnlyConnection(const QString &databasePath, const QString &purpose);

    // Opens the connection if it is not open yet; false when the history cannot be read.
    bool open();
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    void close();

private:
    QString m_databasePath;
    QString m_name;
};
