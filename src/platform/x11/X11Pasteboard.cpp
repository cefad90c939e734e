#include "platform/x11/X11Pasteboard.h"

#include <QClipboard>
#include <QImageReader>
#include <QMimeData>

#include <malloc.h>

namespace {

// Marks the writes made through writeContents() so their synchronous change signal is not
// counted as an outside change.
class OwnWriteScope
{
public:
    explicit OwnWriteScope(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~OwnWriteScope() { m_flag = false; }
    OwnWriteScope(const OwnWriteScope &) = delete;
    OwnWriteScope &operator=(const OwnWriteScope &) = delete;

private:
    bool &m_flag;
};

} // namespace

X11Pasteboard::X11Pasteboard(QClipboard *clipboard, QObject *parent)
    : Pasteboard(parent)
    , m_clipboard(clipboard)
{
    connect(m_clipboard, &QClipboard::changed, this,
            [this](QClipboard::Mode mode) { onClipboardChanged(int(mode)); });
}

void X11Pasteboard::onClipboardChanged(int mode)
{
    if (mode != QClipboard::Clipboard || m_writing)
        return;
    // Qt reports another client's ownership, and the owner going away, but not the XFixes
    // echo of our own ownership; a copy in one of our own widgets is counted here too.
    ++m_changeCount;
    releaseContents();
    Q_EMIT changedOutside();
}

bool X11Pasteboard::isPseudoTarget(const QString &name)
{
    return name == QLatin1String("TARGETS") || name == QLatin1String("MULTIPLE")
        || name == QLatin1String("TIMESTAMP") || name == QLatin1String("SAVE_TARGETS");
}

QStringList X11Pasteboard::types()
{
    if (!m_types) {
        // Asked once per generation: an owner that never answers costs one timeout, and its
        // generation then offers nothing.
        QStringList types;
        if (const QMimeData *contents = m_clipboard->mimeData(QClipboard::Clipboard)) {
            const QStringList formats = contents->formats();
            for (const QString &format : formats) {
                if (!isPseudoTarget(format) && !types.contains(format))
                    types << format;
            }
        }
        m_types = types;
    }
    return *m_types;
}

std::optional<QByteArray> X11Pasteboard::data(const QString &type)
{
    if (!types().contains(type))
        return std::nullopt;
    const auto cached = m_data.constFind(type);
    if (cached != m_data.constEnd())
        return *cached;
    QByteArray bytes;
    if (const QMimeData *contents = m_clipboard->mimeData(QClipboard::Clipboard))
        bytes = contents->data(type);
    m_data.insert(type, bytes);
    m_bytesHeld += bytes.size();
    return bytes;
}

std::optional<QString> X11Pasteboard::string(const QString &type)
{
    if (!types().contains(type))
        return std::nullopt;
    const auto cached = m_strings.constFind(type);
    if (cached != m_strings.constEnd())
        return *cached;
    QString text;
    const QMimeData *contents = m_clipboard->mimeData(QClipboard::Clipboard);
    // Plain text and HTML are asked for as strings: Qt decodes them from the owner's encoding in
    // one request, without an intermediate copy of the bytes.
    if (type == QLatin1String("text/plain"))
        text = contents ? contents->text() : QString();
    else if (type == QLatin1String("text/html"))
        text = contents ? contents->html() : QString();
    else
        text = QString::fromUtf8(data(type).value_or(QByteArray()));
    m_strings.insert(type, text);
    m_bytesHeld += text.size() * qsizetype(sizeof(QChar));
    return text;
}

QList<QUrl> X11Pasteboard::urls()
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

QImage X11Pasteboard::image()
{
    static const QList<QByteArray> decodable = QImageReader::supportedMimeTypes();
    for (const QString &type : types()) {
        if (!type.startsWith(QLatin1String("image/")) || !decodable.contains(type.toLatin1()))
            continue;
        const std::optional<QByteArray> bytes = data(type);
        if (!bytes || bytes->isEmpty())
            continue;
        QImage image = QImage::fromData(*bytes);
        if (!image.isNull())
            return image;
    }
    return {};
}

void X11Pasteboard::writeContents(QMimeData *contents)
{
    OwnWriteScope scope(m_writing);
    ++m_changeCount;
    releaseContents();
    m_clipboard->setMimeData(contents, QClipboard::Clipboard);
}

void X11Pasteboard::releaseContents()
{
    m_types.reset();
    m_data.clear();
    m_data.squeeze();
    m_strings.clear();
    m_strings.squeeze();
    // After a large copy, hand the freed memory back to the system rather than keep it mapped.
    if (m_bytesHeld > 1024 * 1024)
        ::malloc_trim(0);
    m_bytesHeld = 0;
}
