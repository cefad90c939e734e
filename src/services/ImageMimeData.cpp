#include "services/ImageMimeData.h"

#include "support/ImageBytes.h"

namespace {
const QString PngType = QStringLiteral("image/png");
}

ImageMimeData *ImageMimeData::create(const QByteArray &bytes)
{
    const std::optional<ImageBytes::Header> header = ImageBytes::header(bytes);
    if (!header)
        return nullptr;
    auto *contents = new ImageMimeData;
    if (header->format == "png") {
        contents->setData(PngType, bytes);
    } else {
        contents->setData(QStringLiteral("image/") + QString::fromLatin1(header->format), bytes);
        contents->m_bytes = bytes;
    }
    return contents;
}

QStringList ImageMimeData::formats() const
{
    QStringList formats = QMimeData::formats();
    if (!m_bytes.isEmpty())
        formats.prepend(PngType);
    return formats;
}

bool ImageMimeData::hasFormat(const QString &mimeType) const
{
    return (mimeType == PngType && !m_bytes.isEmpty()) || QMimeData::hasFormat(mimeType);
}

QVariant ImageMimeData::retrieveData(const QString &mimeType, QMetaType type) const
{
    if (mimeType == PngType && !m_bytes.isEmpty()) {
        if (!m_png)
            m_png = ImageBytes::png(ImageBytes::decode(m_bytes, 0)).value_or(QByteArray());
        return *m_png;
    }
    return QMimeData::retrieveData(mimeType, type);
}
