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

QByteArray PasteboardSnapshot::charset(const QString &type) const
{
    return m_charsets.value(type, QByteArrayLiteral("UTF-8"));
}

void PasteboardSnapshot::setCharset(const QString &type, const QByteArray &charset)
{
    m_charsets.insert(type, charset);
}

void PasteboardSnapshot::setData(const QString &type, const std::optional<QByteArray> &bytes)
{
    if (!bytes) {
        m_flavours.remove(type);
        m_charsets.remove(type);
        m_types.removeAll(type);
        return;
    }
    m_flavours.insert(type, *bytes);
    if (!m_types.contains(type))
        m_types << type;
}

QList<QUrl> PasteboardSnapshot::urls() const
{
    const std::optional<QByteArray> list = data(QStringLiteral("text/uri-list"));
    return list ? parseUriList(*list) : QList<QUrl>();
}

QList<QUrl> PasteboardSnapshot::parseUriList(const QByteArray &list)
{
    QList<QUrl> urls;
    // Some file managers (PCManFM) end the list with a NUL as well.
    for (QByteArray line : QByteArray(list).replace('\0', '\n').split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (url.isValid() && !url.path(QUrl::FullyDecoded).contains(QChar(u'\0')))
            urls << url;
    }
    return urls;
}

QByteArray PasteboardSnapshot::declaredCharset(const QByteArray &target)
{
    if (target == "STRING")
        return QByteArrayLiteral("ISO-8859-1");
    const qsizetype parameter = target.toLower().indexOf("charset=");
    if (parameter > 0)
        return target.mid(parameter + 8).trimmed().toUpper();
    return QByteArrayLiteral("UTF-8");
}

QImage PasteboardSnapshot::image() const
{
    for (const QString &type : m_types) {
        if (!type.startsWith(QLatin1String("image/")))
            continue;
        const auto found = m_flavours.constFind(type);
        if (found == m_flavours.constEnd() || found->isEmpty())
            continue;
        QImage image = QImage::fromData(*found);
        if (!image.isNull())
            return image;
    }
    return {};
}

bool PasteboardSnapshot::looksLikeImage(const QByteArray &bytes)
{
    return ImageBytes::header(bytes).has_value();
}
