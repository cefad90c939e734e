#include "models/ClipboardItem.h"

#include "models/RecordContext.h"
#include "support/Localization.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Truncates toward zero like an integer conversion, without undefined behaviour for values an
// integer cannot hold.
qint64 truncatedInteger(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.2e18;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value <= -limit)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool isSpaceOrTab(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

// Position just after the first `count` grapheme clusters of text, or -1 when it has no more.
qsizetype graphemeBoundaryAfter(const QString &text, qsizetype count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    qsizetype position = 0;
    while ((position = finder.toNextBoundary()) != -1) {
        if (++seen == count)
            return position == text.size() ? -1 : position;
    }
    return -1;
}

QString withoutLineBreaks(QStringView text)
{
    QString line = text.toString();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

} // namespace

ClipboardItem::ClipboardItem(const QUuid &id, const QDateTime &createdAt, const QDateTime &copiedAt,
                             const QString &contentType, const std::optional<QString> &textContent,
                             const std::optional<QByteArray> &imageData,
                             const std::optional<QStringList> &filePaths,
                             const std::optional<QString> &sourceAppBundleId,
                             const std::optional<QString> &sourceAppName, qint64 charCount,
                             qint64 wordCount, double imageWidth, double imageHeight, bool isPinned)
    : m_id(id)
    , m_createdAt(createdAt)
    , m_copiedAt(copiedAt)
    , m_contentType(contentType)
    , m_textContent(textContent)
    , m_pendingImageData(imageData)
    , m_hasImageData(imageData.has_value())
    , m_imageDataSize(imageData ? imageData->size() : 0)
    , m_filePaths(filePaths)
    , m_sourceAppBundleId(sourceAppBundleId)
    , m_sourceAppName(sourceAppName)
    , m_charCount(charCount)
    , m_wordCount(wordCount)
    , m_imageWidth(imageWidth)
    , m_imageHeight(imageHeight)
    , m_isPinned(isPinned)
{
}

QString ClipboardItem::storedId() const
{
    return m_storedId ? *m_storedId : m_id.toString(QUuid::WithoutBraces);
}

std::optional<QByteArray> ClipboardItem::imageData() const
{
    if (m_pendingImageData || !m_hasImageData)
        return m_pendingImageData;
    if (!m_context)
        return std::nullopt;
    return m_context->readImageData(storedId());
}

std::optional<QString> ClipboardItem::textContent() const
{
    if (m_textContent || !m_textInStore)
        return m_textContent;
    if (!m_pendingTextUtf8.isNull())
        return QString::fromUtf8(m_pendingTextUtf8);
    if (!m_context)
        return std::nullopt;
    return m_context->readTextContent(storedId());
}

std::optional<QByteArray> ClipboardItem::textContentUtf8() const
{
    if (m_textContent || !m_textInStore)
        return m_textContent ? std::optional<QByteArray>(m_textContent->toUtf8()) : std::nullopt;
    if (!m_pendingTextUtf8.isNull())
        return m_pendingTextUtf8;
    if (!m_context)
        return std::nullopt;
    return m_context->readTextContentUtf8(storedId());
}

QString ClipboardItem::textSummary() const
{
    return m_textContent ? *m_textContent : m_textSummary;
}

void ClipboardItem::releaseLongText()
{
    m_pendingTextUtf8 = QByteArray(); // written: read from the store from now on
    if (!m_textContent || m_textContent->size() <= HeldTextLimit)
        return;
    m_textSummary = m_textContent->left(SummaryLength);
    if (m_textSummary.size() && m_textSummary.back().isHighSurrogate())
        m_textSummary.chop(1);
    m_textContent.reset();
    m_textInStore = true;
}

void ClipboardItem::markChanged(Field field)
{
    m_changedFields |= field;
    if (m_context)
        m_context->noteChanged(shared_from_this());
}

void ClipboardItem::setCreatedAt(const QDateTime &value)
{
    m_createdAt = value;
    markChanged(CreatedAtField);
}

void ClipboardItem::setCopiedAt(const QDateTime &value)
{
    m_copiedAt = value;
    markChanged(CopiedAtField);
}

void ClipboardItem::setContentType(const QString &value)
{
    m_contentType = value;
    markChanged(ContentTypeField);
}

void ClipboardItem::setTextContent(const std::optional<QString> &value)
{
    m_textContent = value;
    m_pendingTextUtf8 = QByteArray();
    m_textInStore = false;
    m_textSummary.clear();
    markChanged(TextContentField);
}

void ClipboardItem::setTextContentUtf8(const QByteArray &utf8)
{
    if (utf16Length(utf8) <= HeldTextLimit) {
        setTextContent(QString::fromUtf8(utf8));
        return;
    }
    // Four bytes at most per two units: enough of the beginning for the summary.
    m_textSummary = QString::fromUtf8(QByteArrayView(utf8).first(std::min<qsizetype>(utf8.size(), SummaryLength * 4)))
                        .left(SummaryLength);
    if (m_textSummary.size() && m_textSummary.back().isHighSurrogate())
        m_textSummary.chop(1);
    m_textContent.reset();
    m_pendingTextUtf8 = utf8;
    m_textInStore = true;
    markChanged(TextContentField);
}

void ClipboardItem::setImageData(const std::optional<QByteArray> &value)
{
    m_pendingImageData = value;
    m_hasImageData = value.has_value();
    m_imageDataSize = value ? value->size() : 0;
    markChanged(ImageDataField);
}

void ClipboardItem::setFilePaths(const std::optional<QStringList> &value)
{
    m_filePaths = value;
    markChanged(FilePathsField);
}

void ClipboardItem::setSourceAppBundleId(const std::optional<QString> &value)
{
    m_sourceAppBundleId = value;
    markChanged(SourceAppBundleIdField);
}

void ClipboardItem::setSourceAppName(const std::optional<QString> &value)
{
    m_sourceAppName = value;
    markChanged(SourceAppNameField);
}

void ClipboardItem::setCharCount(qint64 value)
{
    m_charCount = value;
    markChanged(CharCountField);
}

void ClipboardItem::setWordCount(qint64 value)
{
    m_wordCount = value;
    markChanged(WordCountField);
}

void ClipboardItem::setImageWidth(double value)
{
    m_imageWidth = value;
    markChanged(ImageWidthField);
}

void ClipboardItem::setImageHeight(double value)
{
    m_imageHeight = value;
    markChanged(ImageHeightField);
}

void ClipboardItem::setIsPinned(bool value)
{
    m_isPinned = value;
    markChanged(IsPinnedField);
}

QString ClipboardItem::displayTitle() const
{
    if (m_contentType == ImageType) {
        if (m_imageWidth > 0 && m_imageHeight > 0) {
            return L("Imagem") + QStringLiteral(" (%1 × %2)")
                                     .arg(truncatedInteger(m_imageWidth))
                                     .arg(truncatedInteger(m_imageHeight));
        }
        return L("Imagem");
    }
    if (m_contentType == TableType) {
        const QString text = textSummary();
        if (text.isEmpty())
            return L("Tabela");
        qsizetype end = 0;
        while (end < text.size() && !isLineBreak(text.at(end)))
            ++end;
        QString line = text.left(end);
        line.replace(QLatin1Char('\t'), QStringLiteral(" | "));
        qsizetype first = 0;
        qsizetype last = line.size();
        while (first < last && isSpaceOrTab(line.at(first)))
            ++first;
        while (last > first && isSpaceOrTab(line.at(last - 1)))
            --last;
        line = line.mid(first, last - first);
        return line.isEmpty() ? L("Tabela") : line;
    }
    if (m_contentType == FileType) {
        if (!m_filePaths || m_filePaths->isEmpty())
            return L("Arquivo");
        if (m_filePaths->size() == 1) {
            QString path = m_filePaths->first();
            // A folder path may end in "/"; its name is the component before it.
            while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
                path.chop(1);
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            return slash < 0 || path.size() == 1 ? path : path.mid(slash + 1);
        }
        return L("%lld arquivos", m_filePaths->size());
    }
    return summaryOfText(120);
}

QString ClipboardItem::previewText() const
{
    return summaryOfText(180);
}

QString ClipboardItem::summaryOfText(qsizetype limit) const
{
    QString summary = singleLineSummary(textSummary(), limit);
    // The beginning of a longer text always continues past what it shows.
    if (m_textInStore && !summary.endsWith(QChar(0x2026)))
        summary += QChar(0x2026);
    return summary;
}

QString ClipboardItem::formattedTime() const
{
    return formattedTime(QDateTime::currentDateTimeUtc());
}

QString ClipboardItem::formattedTime(const QDateTime &now) const
{
    const double seconds = double(m_copiedAt.msecsTo(now)) / 1000.0;
    if (seconds < 60)
        return L("Agora");
    // Whole phrases with the number inside, so each language orders and inflects them.
    if (seconds < 3600)
        return L("há %lld min", truncatedInteger(seconds / 60));
    if (seconds < 86400)
        return L("há %lld h", truncatedInteger(seconds / 3600));
    const qint64 days = truncatedInteger(seconds / 86400);
    return days == 1 ? L("há %lld dia", days) : L("há %lld dias", days);
}

qint64 ClipboardItem::characterCount(const QString &text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qint64 count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

qint64 ClipboardItem::countWords(const QString &text)
{
    qint64 count = 0;
    bool inWord = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++count;
        }
    }
    return count;
}

qint64 ClipboardItem::utf16Length(QByteArrayView utf8)
{
    // One unit per character, two for those of four bytes (surrogate pairs).
    qint64 units = 0;
    for (const char byte : utf8) {
        const auto b = static_cast<unsigned char>(byte);
        units += (b & 0xC0) != 0x80;
        units += b >= 0xF0;
    }
    return units;
}

ClipboardItem::TextCounts ClipboardItem::countUtf8(QByteArrayView utf8)
{
    // Decoded a slice at a time; the characters are counted up to a boundary well inside the
    // decoded part, and the rest is carried to the next slice, so that a character is never
    // cut in two.
    constexpr qsizetype SliceBytes = 256 * 1024;
    constexpr qsizetype Margin = 64;
    TextCounts counts;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString pending;
    bool inWord = false;
    for (qsizetype offset = 0; offset < utf8.size() || !pending.isEmpty();) {
        const qsizetype take = std::min(SliceBytes, utf8.size() - offset);
        const QString slice = decoder(utf8.sliced(offset, take));
        offset += take;
        counts.units += slice.size();
        for (const QChar c : slice) {
            if (c.isSpace()) {
                inWord = false;
            } else if (!inWord) {
                inWord = true;
                ++counts.words;
            }
        }
        pending += slice;
        const bool last = offset >= utf8.size();
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, pending.constData(), pending.size());
        qsizetype counted = 0;
        for (qsizetype position = finder.toNextBoundary(); position > 0; position = finder.toNextBoundary()) {
            if (!last && position > pending.size() - Margin)
                break;
            ++counts.characters;
            counted = position;
        }
        // A cluster longer than the whole slice: counted as one, for want of a better place.
        if (!last && counted == 0 && pending.size() > SliceBytes) {
            ++counts.characters;
            counted = pending.size() - Margin;
        }
        pending.remove(0, last ? pending.size() : counted);
        if (last)
            break;
    }
    return counts;
}

QString ClipboardItem::singleLineSummary(const QString &text, qsizetype limit)
{
    // Line breaks become spaces before trimming, and both are white space, so trimming the
    // original range is the same; only a bounded window is copied, so a 10 MB text stays cheap.
    const QStringView view(text);
    qsizetype begin = 0;
    qsizetype end = view.size();
    while (begin < end && view[begin].isSpace())
        ++begin;
    while (end > begin && view[end - 1].isSpace())
        --end;
    const qsizetype length = end - begin;
    const qsizetype window = std::min(length, limit * 8 + 16);
    if (window < length) {
        const QString line = withoutLineBreaks(view.mid(begin, window));
        const qsizetype cut = graphemeBoundaryAfter(line, limit);
        // A boundary inside the window is a boundary of the whole text.
        if (cut >= 0 && cut < line.size())
            return line.left(cut) + QChar(0x2026);
    }
    const QString line = withoutLineBreaks(view.mid(begin, length));
    if (line.size() <= limit)
        return line;
    const qsizetype cut = graphemeBoundaryAfter(line, limit);
    return cut < 0 ? line : line.left(cut) + QChar(0x2026);
}
