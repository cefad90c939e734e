#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The layout of the history database: the ClipboardItem table (one column per stored field),
// the image bytes kept apart, and the metadata that identifies the file and its schema version.
namespace StoreSchema {

// The stored fields of ClipboardItem, in declaration order; also the column names.
const QStringList &itemColumns();

// Creates the tables in an empty database, in one transaction.
bool create(QSqlDatabase &db, QString *error);

// Checks that an existing database is a Kavla history of the supported version.
bool verify(QSqlDatabase &db, const QStringList &tables, QString *error);

// Adds what searches and thumbnails need to a history that lacks it, and drops folded copies made
// under another locale than `foldLocale`. Writes nothing when all is in place.
bool prepareSearch(QSqlDatabase &db, const QString &foldLocale, QString *error);

} // namespace StoreSchema
