#pragma once

#include "models/ClipboardItem.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QUuid>

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

// Runs the deletions rebuilt windows left for later, then the pending events.
inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace TestData
