#pragma once

#include <QByteArray>
#include <QMimeData>

#include <optional>

// The clipboard contents of a stored image, offered as the bytes it is stored as: PNG as it is,
// and an image kept in another format (JPEG, GIF, ...) under its own type and as PNG, the PNG made
// only if an application asks for it. Nothing is decoded to be offered, so an image put back on
// the clipboard costs its stored bytes, not a decoded copy.
class ImageMimeData : public QMimeData
{
    Q_OBJECT
public:
    // Null when `bytes` are not an image the toolkit can read.
    static ImageMimeData *create(const QByteArray &bytes);

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    ImageMimeData() = default;

    QByteArray m_bytes; // of another format than PNG; empty when the stored bytes are PNG
    mutable std::optional<QByteArray> m_png;
};
