#include "services/ContentClassifier.h"

#include <QBuffer>
#include <QImageReader>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QString PlainText = QStringLiteral("text/plain");
const QString Html = QStringLiteral("text/html");

bool hasImageSignature(QByteArrayView bytes)
{
    static const QByteArrayView signatures[] = {"\x89PNG\r\n\x1a\n", "\xff\xd8\xff", "GIF87a", "GIF89a",
                                                QByteArrayView("II*\0", 4), QByteArrayView("MM\0*", 4)};
    if (std::any_of(std::begin(signatures), std::end(signatures),
                    [bytes](QByteArrayView signature) { return bytes.startsWith(signature); }))
        return true;
    return bytes.startsWith("RIFF") && bytes.size() >= 12 && bytes.sliced(8, 4) == "WEBP";
}

// The image format of bytes that hold one ("png"), or empty.
QByteArray imageFormat(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buffer);
}

// The name of the tag that starts at `at` (just after '<'), lower-cased, with a leading '/' for
// a closing tag; empty for what is no element (a comment, a declaration).
QString tagName(QStringView html, qsizetype at)
{
    qsizetype end = at;
    if (end < html.size() && html[end] == u'/')
        ++end;
    while (end < html.size() && (html[end].isLetterOrNumber() || html[end] == u'-'))
        ++end;
    return html.sliced(at, end - at).toString().toLower();
}

} // namespace

const QStringList ContentClassifier::TableTypeMarkers = {
    QStringLiteral("tab-separated-values"), QStringLiteral("TSV"), QStringLiteral("excel.table")};

bool ContentClassifier::isTableType(const QString &type)
{
    return std::any_of(TableTypeMarkers.cbegin(), TableTypeMarkers.cend(), [&type](const QString &marker) {
        return type.contains(marker, Qt::CaseInsensitive);
    });
}

bool ContentClassifier::isTableMarkup(QStringView html)
{
    // Elements whose content is never shown: their text does not count.
    static const QStringList hidden = {QStringLiteral("head"), QStringLiteral("style"), QStringLiteral("script"),
                                       QStringLiteral("title")};
    int tables = 0;
    bool sawTable = false;
    qsizetype at = 0;
    while (at < html.size()) {
        const qsizetype open = html.indexOf(u'<', at);
        const QStringView text = html.sliced(at, (open < 0 ? html.size() : open) - at);
        if (tables == 0 && !text.toString().replace(QLatin1String("&nbsp;"), QLatin1String(" ")).trimmed().isEmpty())
            return false;
        if (open < 0)
            break;
        if (html.sliced(open).startsWith(u"<!--")) {
            const qsizetype close = html.indexOf(u"-->", open + 4);
            at = close < 0 ? html.size() : close + 3;
            continue;
        }
        const QString name = tagName(html, open + 1);
        const qsizetype close = html.indexOf(u'>', open);
        at = close < 0 ? html.size() : close + 1;
        if (name == u"table") {
            ++tables;
            sawTable = true;
        } else if (name == u"/table") {
            tables = std::max(0, tables - 1);
        } else if (hidden.contains(name)) {
            const qsizetype end = html.indexOf(QStringLiteral("</") + name, at, Qt::CaseInsensitive);
            at = end < 0 ? html.size() : end;
        }
    }
    return sawTable;
}

bool ContentClassifier::isTableContent(const PasteboardSnapshot &snapshot)
{
    const QStringList &types = snapshot.types();
    if (std::any_of(types.cbegin(), types.cend(), isTableType))
        return true;
    if (const std::optional<QString> html = snapshot.string(Html); html && isTableMarkup(*html))
        return true;
    const std::optional<QByteArray> text = snapshot.data(PlainText);
    if (!text)
        return false;
    // Every non-empty line holds a tab, and there are at least two; scanned in place in the
    // UTF-8, where a newline or a tab byte is always that character, since the text may be
    // megabytes long.
    qsizetype lines = 0;
    for (qsizetype start = 0; start < text->size();) {
        qsizetype end = text->indexOf('\n', start);
        if (end < 0)
            end = text->size();
        if (end > start) {
            if (!QByteArrayView(*text).sliced(start, end - start).contains('\t'))
                return false;
            ++lines;
        }
        start = end + 1;
    }
    return lines >= 2;
}

bool ContentClassifier::isSingleCell(QByteArrayView text)
{
    if (text.contains('\t'))
        return false;
    qsizetype lines = 0;
    for (qsizetype start = 0; start < text.size() && lines < 2;) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (!text.sliced(start, end - start).trimmed().isEmpty())
            ++lines;
        start = end + 1;
    }
    return lines <= 1;
}

bool ContentClassifier::isNotText(QByteArrayView bytes)
{
    if (hasImageSignature(bytes))
        return true;
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    if (bytes.contains('\0'))
        return true;
    // Binary data shows itself in its first bytes.
    const QByteArrayView start = bytes.first(std::min<qsizetype>(bytes.size(), 64 * 1024));
    const qsizetype controls = std::count_if(start.cbegin(), start.cend(), [](char c) {
        const auto byte = uchar(c);
        return (byte < 0x20 && !QByteArrayView("\t\n\v\f\r\x1b").contains(c)) || byte == 0x7f;
    });
    return controls * 20 > start.size();
}

PasteboardSnapshot ContentClassifier::interpreted(const PasteboardSnapshot &snapshot)
{
    PasteboardSnapshot result = snapshot;
    const std::optional<QByteArray> bytes = snapshot.data(PlainText);
    if (!bytes)
        return result;
    if (isNotText(*bytes)) {
        result.setData(PlainText, std::nullopt);
        const QByteArray format = imageFormat(*bytes);
        const QString type = QStringLiteral("image/") + QString::fromLatin1(format);
        if (!format.isEmpty() && !snapshot.data(type))
            result.setData(type, *bytes);
        return result;
    }
    QByteArrayView text(*bytes);
    while (text.endsWith('\0'))
        text.chop(1);
    const QByteArray charset = snapshot.charset(PlainText);
    if (charset == "UTF-8" && text.isValidUtf8()) {
        if (text.size() != bytes->size())
            result.setData(PlainText, text.toByteArray());
        return result;
    }
    // Text in another charset, or said to be UTF-8 and not: read by the declared charset, and
    // what no decoder takes as Latin-1, which keeps every byte as a character.
    QStringDecoder decoder(charset.constData());
    QString decoded;
    if (decoder.isValid() && charset != "UTF-8")
        decoded = decoder(text);
    if (decoded.isNull() || decoder.hasError())
        decoded = QString::fromLatin1(text);
    result.setData(PlainText, decoded.toUtf8());
    result.setCharset(PlainText, QByteArrayLiteral("UTF-8"));
    return result;
}
