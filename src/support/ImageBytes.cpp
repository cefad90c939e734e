#include "support/ImageBytes.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <QImageWriter>

namespace {

bool tooLarge(const QSize &size, qint64 maxPixels)
{
    return maxPixels > 0 && size.isValid() && qint64(size.width()) * size.height() > maxPixels;
}

} // namespace

namespace ImageBytes {

std::optional<Header> header(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return std::nullopt;
    Header header;
    header.format = reader.format();
    header.size = reader.size();
    return header;
}

QImage decode(const QByteArray &bytes, qint64 maxPixels, QSize *tooManyPixels)
{
    if (bytes.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (tooLarge(size, maxPixels)) {
        if (tooManyPixels)
            *tooManyPixels = size;
        return {};
    }
    QImage image;
    if (!reader.read(&image))
        return {};
    // A format that does not state its size before decoding is held to the bound afterwards.
    if (tooLarge(image.size(), maxPixels)) {
        if (tooManyPixels)
            *tooManyPixels = image.size();
        return {};
    }
    return image;
}

std::optional<QByteArray> png(const QImage &image)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image) || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

QImage thumbnail(const QImage &image, int edge)
{
    if (image.isNull())
        return {};
    QImage scaled = image;
    if (scaled.width() != edge || scaled.height() != edge) {
        // A large image is first halved cheaply, then smoothed at the end: smooth scaling of a
        // photograph straight to a few dozen pixels costs far more for no visible gain.
        if (scaled.width() > 8 * edge && scaled.height() > 8 * edge)
            scaled = scaled.scaled(QSize(4 * edge, 4 * edge), Qt::KeepAspectRatioByExpanding, Qt::FastTransformation);
        scaled = scaled.scaled(edge, edge, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        scaled = scaled.copy((scaled.width() - edge) / 2, (scaled.height() - edge) / 2, edge, edge);
    }
    return scaled.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage thumbnail(const QByteArray &bytes, int edge, qint64 maxPixels)
{
    if (bytes.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (tooLarge(size, maxPixels))
        return {};
    // Formats that can (JPEG) decode directly at the reduced size; for the others the reader
    // would scale the whole image smoothly, which thumbnail() does far more cheaply.
    if (size.isValid() && (size.width() > edge || size.height() > edge) && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(size.scaled(edge, edge, Qt::KeepAspectRatioByExpanding));
    QImage image;
    if (!reader.read(&image))
        return {};
    return thumbnail(image, edge);
}

} // namespace ImageBytes
