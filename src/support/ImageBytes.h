#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <optional>

// Encoded images handled with care for their size: what the header says is read first, and an
// image stating more pixels than its caller allows is never decoded.
namespace ImageBytes {

struct Header
{
    QByteArray format; // the toolkit's name of it: "png", "jpeg", "tiff", ...
    QSize size;        // invalid when the format does not state it before decoding
};

// The format and size the bytes' header states, without decoding; nullopt when they are not an
// image the toolkit can read.
std::optional<Header> header(const QByteArray &bytes);

// The decoded image when its header states no more than `maxPixels` pixels (0: no bound); a null
// image otherwise, or when the bytes do not decode. `tooManyPixels` (when given) receives the
// stated size of an image refused for its size.
QImage decode(const QByteArray &bytes, qint64 maxPixels, QSize *tooManyPixels = nullptr);

// The PNG encoding of `image` with the toolkit's defaults; nullopt when it cannot be encoded.
std::optional<QByteArray> png(const QImage &image);

// A thumbnail: the image scaled to fill an edge x edge square and cropped to it.
QImage thumbnail(const QImage &image, int edge);
// The same from encoded bytes, read at the reduced size where the format allows it (JPEG);
// null when they are not an image of at most `maxPixels`.
QImage thumbnail(const QByteArray &bytes, int edge, qint64 maxPixels);

} // namespace ImageBytes
