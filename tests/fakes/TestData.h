#pragma once

#include "models/ClipboardItem.h"
#include "services/LocalizedAppBundle.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <sys/stat.h>

// Entries and pictures the unit tests build their histories from.
namespace TestData {

// A picture of one colour, encoded as `format` ("png", "jpeg", "bmp", "tiff"), at `dotsPerInch`
// when above 0.
inline QByteArray encodedImage(const char *format, int width, int height, int dotsPerInch = 0,
                               const QColor &color = QColor(20, 120, 200))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    if (dotsPerInch > 0) {
        image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
        image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format))
        qFatal("cannot encode a test image");
    return bytes;
}

// An entry of `type` copied at `copiedAt`, from "org.example.Editor"; counts are taken from text.
inline ClipboardItemPtr entry(const QString &type, const std::optional<QString> &text, const QDateTime &copiedAt,
                              bool pinned = false, const std::optional<QStringList> &paths = std::nullopt,
                              const std::optional<QByteArray> &image = std::nullopt)
{
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), copiedAt, copiedAt, type, text, image, paths,
                                           QStringLiteral("org.example.Editor"), QStringLiteral("Editor"),
                                           text ? ClipboardItem::characterCount(*text) : 0,
                                           text ? ClipboardItem::countWords(*text) : 0, image ? 640 : 0,
                                           image ? 480 : 0, pinned);
}

inline ClipboardItemPtr textEntry(const QString &text, const QDateTime &copiedAt = QDateTime::currentDateTimeUtc(),
                                  bool pinned = false)
{
    return entry(ClipboardItem::TextType, text, copiedAt, pinned);
}

// The real string tables, with Portuguese as the desktop's language, as L()'s translator while
// it lives.
struct PortugueseTables
{
    LocalizedAppBundle bundle{QStringLiteral(KAVLA_SOURCE_DIR "/resources"), {QStringLiteral("pt-BR")}};
    PortugueseTables() { Localization::install(&bundle); }
};

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `bytes` as the whole of the file at `path`, making its folder first.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The permission bits of a file or folder; -1 when it is not there.
inline int fileMode(const QString &path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// Each entry's text, its paths joined by commas, or "<image>".
inline QStringList texts(const QList<ClipboardItemPtr> &items)
{
    QStringList result;
    for (const ClipboardItemPtr &item : items)
        result << item->textContent().value_or(item->filePaths() ? item->filePaths()->join(u',') : QStringLiteral("<image>"));
    return result;
}

// Holds the database's write lock while alive, so every save of the store fails.
struct WriteLock
{
    QSqlDatabase db;
    explicit WriteLock(const QString &path)
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")))
            qFatal("cannot lock the store");
    }
    ~WriteLock()
    {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("lock"));
    }
};

// Runs the deletions rebuilt windows left for later, then the pending events.
inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace TestData
