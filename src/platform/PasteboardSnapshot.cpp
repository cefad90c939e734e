#include "platform/PasteboardSnapshot.h"

#include "support/ImageBytes.h"

#include <QStringDecoder>

PasteboardSnapshot::PasteboardSnapshot(qint64 changeCount, QStringList types,
                                       QHash<QString, QByteArray> flavours, bool complete)
    : m_changeCount(changeCount)
    , m_types(std::move(types))
    , m_flavours(std::move(flavours))
    , m_complete(complete)
{
}

std::optional<QByteArray> PasteboardSnapshot::data(const QString &type) const
{
    const auto found = m_flavours.constFind(type);
    if (found == m_flavours.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<QString> PasteboardSnapshot::string(const QString &type) const
{
    const auto found = m_flavours.constFind(type);
    if (found == m_flavours.constEnd())
        return std::nullopt;
    const QByteArray &bytes = *found;
    // Browsers offer HTML as UTF-16 with a byte-order mark; everything else is UTF-8.
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return QString(decoder(bytes));
    }
    return QString::fromUtf8(bytes);
}

QList<QUrl> PasteboardSnapshot::urls() const
{
    const std::optional<QByteArray> list = data(QStringLiteral("text/uri-list"));
    if (!list)
        return {};
    QList<QUrl> urls;
    // text/uri-list: one URL per line, lines ending in CRLF, '#' starting a comment.
    for (const QByteArray &rawLine : list->split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (url.isValid())
            urls << url;
    }
    return urls;
}

bool PasteboardSnapshot::looksLikeImage(const QByteArray &bytes)
{
    return ImageBytes::header(bytes).has_value();
}
