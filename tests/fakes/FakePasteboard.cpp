#include "fakes/FakePasteboard.h"

#include <QImage>

void FakePasteboard::setContents(const QList<QPair<QString, QByteArray>> &flavours)
{
    m_flavours = flavours;
    m_written.reset();
    ++m_changeCount;
    Q_EMIT changedOutside();
}

void FakePasteboard::setText(const QString &text)
{
    setContents({{QStringLiteral("text/plain"), text.toUtf8()}});
}

QStringList FakePasteboard::types()
{
    ++m_typeReads;
    QStringList types;
    for (const auto &flavour : std::as_const(m_flavours))
        types << flavour.first;
    return types;
}

void FakePasteboard::noteRead(const QString &type)
{
    m_reads[type] += 1;
}

std::optional<QByteArray> FakePasteboard::data(const QString &type)
{
    for (const auto &flavour : std::as_const(m_flavours)) {
        if (flavour.first == type) {
            const QByteArray bytes = flavour.second;
            noteRead(type);
            return bytes;
        }
    }
    return std::nullopt;
}

std::optional<QString> FakePasteboard::string(const QString &type)
{
    const std::optional<QByteArray> bytes = data(type);
    return bytes ? std::optional<QString>(QString::fromUtf8(*bytes)) : std::nullopt;
}

QList<QUrl> FakePasteboard::urls()
{
    QList<QUrl> urls;
    if (const std::optional<QByteArray> list = data(QStringLiteral("text/uri-list"))) {
        for (const QByteArray &line : list->split('\n')) {
            if (!line.trimmed().isEmpty())
                urls << QUrl::fromEncoded(line.trimmed());
        }
    }
    return urls;
}

QImage FakePasteboard::image()
{
    for (const auto &flavour : std::as_const(m_flavours)) {
        if (!flavour.first.startsWith(QLatin1String("image/")))
            continue;
        const QImage image = QImage::fromData(flavour.second);
        if (!image.isNull())
            return image;
    }
    return {};
}

void FakePasteboard::writeContents(QMimeData *contents)
{
    m_written.reset(contents);
    m_flavours.clear();
    for (const QString &format : contents->formats())
        m_flavours.append({format, contents->data(format)});
    ++m_writeCount;
    ++m_changeCount;
}
