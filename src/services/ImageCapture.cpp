#include "services/ImageCapture.h"

#include "support/ImageBytes.h"
#include "support/RegularFileReader.h"

#include <QImage>

#include <cmath>

namespace {

// An image's size in points: its pixel size, scaled by 72 / dpi when it records a resolution.
QSizeF pointSize(const QImage &image)
{
    // An image that records no resolution gets the toolkit's default one, and one recording
    // exactly that default cannot be told from it after decoding: both keep their pixel size.
    static const int defaultDotsPerMeter = QImage(1, 1, QImage::Format_ARGB32).dotsPerMeterX();
    const int dotsPerMeterX = image.dotsPerMeterX();
    const int dotsPerMeterY = image.dotsPerMeterY();
    const QSizeF pixels(image.size());
    if (dotsPerMeterX == defaultDotsPerMeter && dotsPerMeterY == defaultDotsPerMeter)
        return pixels;
    // Files store dots per metre, so 72 dpi reads back as 72.009: whole dots per inch are meant.
    const long dpiX = std::lround(dotsPerMeterX * 0.0254);
    const long dpiY = std::lround(dotsPerMeterY * 0.0254);
    if (dpiX <= 0 || dpiY <= 0)
        return pixels;
    return QSizeF(pixels.width() * 72.0 / double(dpiX), pixels.height() * 72.0 / double(dpiY));
}

ImageCapture::Image imageOf(QByteArray data, const QImage &decoded, const QSizeF &size, int edge)
{
    ImageCapture::Image image{std::move(data), size, {}};
    if (edge > 0)
        image.thumbnail = ImageBytes::png(ImageBytes::thumbnail(decoded, edge)).value_or(QByteArray());
    return image;
}

} // namespace

ImageCapture::ImageCapture(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<ImageCapture::Result>();
    m_pool.setMaxThreadCount(1);
}

ImageCapture::~ImageCapture()
{
    // An answer posted after this goes to a destroyed object and is dropped by Qt.
    m_pool.clear();
    m_pool.waitForDone();
}

ImageCapture::Result ImageCapture::run(const Request &request)
{
    Result result;
    if (!request.filePath.isEmpty()) {
        const RegularFileReader::Result file = RegularFileReader::read(request.filePath, request.maxFileBytes);
        if (file.outcome == RegularFileReader::Outcome::Read) {
            const QImage decoded = ImageBytes::decode(file.bytes, request.maxPixels);
            if (!decoded.isNull()) {
                result.fromFile = imageOf(file.bytes, decoded, pointSize(decoded), request.thumbnailEdge);
                return result;
            }
        }
    }
    for (const auto &[type, bytes] : request.flavours) {
        if (bytes.isEmpty())
            continue;
        QSize tooManyPixels;
        const QImage decoded = ImageBytes::decode(bytes, request.maxPixels, &tooManyPixels);
        if (decoded.isNull()) {
            if (tooManyPixels.isValid()) {
                if (!result.tooManyPixels.isValid())
                    result.tooManyPixels = tooManyPixels;
            } else if (result.undecodable.isEmpty()) {
                result.undecodable = type;
            }
            continue;
        }
        // PNG and JPEG bytes are stored as they came; TIFF (its pixel size) and any other
        // type (its size in points) as PNG.
        const bool kept = type == QLatin1String("image/png") || type == QLatin1String("image/jpeg");
        const QSizeF size = type == QLatin1String("image/tiff") ? QSizeF(decoded.size()) : pointSize(decoded);
        if (kept) {
            result.fromFlavours = imageOf(bytes, decoded, size, request.thumbnailEdge);
            return result;
        }
        if (std::optional<QByteArray> encoded = ImageBytes::png(decoded)) {
            result.fromFlavours = imageOf(std::move(*encoded), decoded, size, request.thumbnailEdge);
            return result;
        }
    }
    return result;
}

void ImageCapture::start(quint64 ticket, const Request &request)
{
    m_pool.start([this, ticket, request] {
        const Result result = run(request);
        QMetaObject::invokeMethod(this, [this, ticket, result] { Q_EMIT finished(ticket, result); }, Qt::QueuedConnection);
    });
}

void ImageCapture::waitForDone()
{
    m_pool.waitForDone();
}
