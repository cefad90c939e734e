#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QThreadPool>

#include <optional>

// Makes what an image entry stores of a copy: its bytes, its size in points and a small thumbnail.
// Decoding and encoding never run on the interface thread: start() hands the work to a thread of
// its own, one copy at a time, and finished() brings the result back; run() is the same work done
// where it is called. An image whose header states more pixels than allowed is never decoded.
class ImageCapture : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        // A single copied image file, tried first; read only when it is a regular file of at
        // most maxFileBytes. Empty for none.
        QString filePath;
        qint64 maxFileBytes = 0;
        // The image flavours read, tried in this order: PNG and JPEG are stored as they are,
        // TIFF and other types as PNG.
        QList<QPair<QString, QByteArray>> flavours;
        qint64 maxPixels = 0;
        // The edge of the thumbnail, in pixels.
        int thumbnailEdge = 0;
    };
    struct Image
    {
        QByteArray data;
        QSizeF size;
        QByteArray thumbnail; // PNG
    };
    struct Result
    {
        std::optional<Image> fromFile;
        // Tried only when the file gave no image.
        std::optional<Image> fromFlavours;
        // The size stated by a flavour refused for its pixels, when one was.
        QSize tooManyPixels;
        // The first flavour offered with bytes that are not an image Kavla can decode.
        QString undecodable;
    };

    explicit ImageCapture(QObject *parent = nullptr);
    ~ImageCapture() override;

    static Result run(const Request &request);
    // Works on `request` off the interface thread; answered by finished() with `ticket`.
    void start(quint64 ticket, const Request &request);
    // Blocks until the work started has finished (its answer still to be delivered).
    void waitForDone();

Q_SIGNALS:
    void finished(quint64 ticket, const ImageCapture::Result &result);

private:
    QThreadPool m_pool;
};

Q_DECLARE_METATYPE(ImageCapture::Result)
