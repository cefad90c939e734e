#include "services/ClipboardMonitor.h"

#include "platform/AlertSound.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "services/ClipboardFlavours.h"
#include "services/ContentClassifier.h"
#include "services/IgnoredAppsManager.h"
#include "services/Preferences.h"
#include "store/FetchDescriptor.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "support/Log.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace {
ClipboardMonitor *s_shared = nullptr;

// Whether UTF-8 text is white space and NULs only (NUL shows as nothing), decoded a slice at a
// time as far as its first visible character.
bool isBlank(QByteArrayView utf8)
{
    constexpr qsizetype SliceBytes = 64 * 1024;
    QStringDecoder decoder(QStringDecoder::Utf8);
    for (qsizetype offset = 0; offset < utf8.size(); offset += SliceBytes) {
        const QString slice = decoder(utf8.sliced(offset, std::min(SliceBytes, utf8.size() - offset)));
        if (!std::all_of(slice.cbegin(), slice.cend(), [](QChar c) { return c.isNull() || c.isSpace(); }))
            return false;
    }
    return true;
}

// Bytes said in the unit a person reads them in: "1.00 GiB".
QString sizeText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes);
}

QString overLimit(const QString &what, qint64 bytes, qint64 limit)
{
    return QStringLiteral("%1 of %2 is larger than the %3 a history entry can hold; not recorded")
        .arg(what, sizeText(bytes), sizeText(limit));
}

std::optional<QImage> decodedImage(const QByteArray &bytes, const char *format = nullptr,
                                   QSize *tooManyPixels = nullptr)
{
    if (bytes.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // The header says the size: an image over the limit is never decoded.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > ClipboardMonitor::MaxImagePixels) {
        if (tooManyPixels)
            *tooManyPixels = size;
        return std::nullopt;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    return image;
}

std::optional<QByteArray> pngEncoding(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image) || png.isEmpty())
        return std::nullopt;
    return png;
}

QDateTime now()
{
    return QDateTime::currentDateTimeUtc();
}

ClipboardItemPtr newItem(const QString &contentType, const QString &bundleId,
                         const QString &appName)
{
    const QDateTime time = now();
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), time, time, contentType,
                                           std::nullopt, std::nullopt, std::nullopt, bundleId,
                                           appName, 0, 0, 0.0, 0.0, false);
}

} // namespace

const QStringList ClipboardMonitor::ImageFileExtensions = {
    QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
    QStringLiteral("gif"), QStringLiteral("webp"), QStringLiteral("heic"),
    QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("ico")};

ClipboardMonitor::ClipboardMonitor(Pasteboard *pasteboard, Workspace *workspace,
                                   Preferences *preferences, IgnoredAppsManager *ignoredApps,
                                   AlertSound *alertSound, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_preferences(preferences)
    , m_ignoredApps(ignoredApps)
    , m_alertSound(alertSound)
    , m_lastChangeCount(pasteboard->changeCount())
{
    // Every image of the size an entry may hold decodes; Qt's default would refuse most photos
    // of a modern camera.
    QImageReader::setAllocationLimit(ImageDecodeBudgetMiB);
    connect(m_pasteboard, &Pasteboard::changedOutside, this, &ClipboardMonitor::onChangeAnnounced);
    connect(m_pasteboard, &Pasteboard::contentsRead, this, &ClipboardMonitor::onContentsRead);
}

ClipboardMonitor::~ClipboardMonitor()
{
    m_ticker.stop();
    if (s_shared == this)
        s_shared = nullptr;
}

ClipboardMonitor *ClipboardMonitor::shared()
{
    return s_shared;
}

void ClipboardMonitor::setShared(ClipboardMonitor *monitor)
{
    s_shared = monitor;
}

void ClipboardMonitor::configure(ModelContainer *container)
{
    m_modelContainer = container;
    if (container) {
        connect(container, &ModelContainer::didSave, this, [this](const StoreChanges &changes) {
            if (m_restorable && changes.deleted.contains(m_restorable->id()))
                m_restorable.reset();
        });
    }
    startMonitoring();
}

void ClipboardMonitor::startMonitoring()
{
    if (m_isMonitoring)
        return;
    m_isMonitoring = true;
    m_lastChangeCount = m_pasteboard->changeCount();
    // A clipboard that announces its changes is examined on each announcement and otherwise
    // never woken for. Elsewhere each tick queues the poll as a task of its own on the main
    // thread, at most one at a time; an idle tick only reads the counter.
    if (!m_pasteboard->announcesChanges()) {
        m_ticker.start(std::chrono::milliseconds(PollIntervalMs), [this] {
            if (m_pasteboard->changeCount() != m_lastChangeCount.load() && !m_pollQueued.exchange(true))
                QMetaObject::invokeMethod(this, &ClipboardMonitor::runQueuedPoll, Qt::QueuedConnection);
        });
    }
    Q_EMIT isMonitoringChanged(true);
}

void ClipboardMonitor::stopMonitoring()
{
    m_ticker.stop();
    m_reading = {};
    if (!m_isMonitoring)
        return;
    m_isMonitoring = false;
    Q_EMIT isMonitoringChanged(false);
}

void ClipboardMonitor::runQueuedPoll()
{
    // A tick may have queued this poll just before monitoring stopped: nothing is recorded then.
    if (!m_isMonitoring) {
        m_pollQueued = false;
        return;
    }
    checkForChanges();
}

void ClipboardMonitor::onChangeAnnounced()
{
    if (!m_isMonitoring)
        return;
    // The application in front is asked now, when the change is announced: by the time the
    // owner has answered, the user may already have switched to another window.
    m_announced = {m_pasteboard->changeCount(), m_workspace->frontmostApplication()};
    checkForChanges();
}

void ClipboardMonitor::checkForChanges()
{
    m_pollQueued = false;
    if (m_recording) {
        m_recheckAfterRecording = true;
        return;
    }
    const qint64 changeCount = m_pasteboard->changeCount();
    if (changeCount == m_lastChangeCount || changeCount == m_reading.changeCount)
        return;

    // An application unknown at the announcement (the window manager between two windows) is
    // asked for again now, so a copy is never taken as made nowhere when it was made somewhere.
    const bool announced = m_announced.changeCount == changeCount;
    ApplicationIdentity frontmost = announced ? m_announced.source : ApplicationIdentity();
    const QString ownIdentifier = m_workspace->ownBundleIdentifier();
    if (frontmost.bundleIdentifier.isEmpty()) {
        // Asked later than the announcement (after a slow save, say), Kavla may have come to
        // the front meanwhile, its popup opened by the hot key: that did not make the copy its own.
        const ApplicationIdentity now = m_workspace->frontmostApplication();
        if (!announced || ownIdentifier.isEmpty() || now.bundleIdentifier != ownIdentifier)
            frontmost = now;
    }
    const bool madeHere = !ownIdentifier.isEmpty() && ownIdentifier == frontmost.bundleIdentifier;
    // A copy that is not to be recorded is never read at all.
    // An ignored application may be listed under any of the IDs it goes by.
    const QStringList identifiers = QStringList{frontmost.bundleIdentifier} + frontmost.aliases;
    const bool ignored = std::any_of(identifiers.cbegin(), identifiers.cend(),
                                     [this](const QString &id) { return m_ignoredApps->isIgnored(id); });
    if (madeHere || ignored || !m_modelContainer) {
        m_lastChangeCount = changeCount;
        m_reading = {};
        m_restorable.reset();
        return;
    }

    const CaptureSwitches switches{m_preferences->isCaptureEnabled(CaptureKind::Text),
                                   m_preferences->isCaptureEnabled(CaptureKind::Image),
                                   m_preferences->isCaptureEnabled(CaptureKind::Table),
                                   m_preferences->isCaptureEnabled(CaptureKind::File)};
    m_reading = {changeCount, frontmost};
    const EntryLimits limits = entryLimits();
    m_pasteboard->requestContents([switches, limits](const QStringList &types) {
        PasteboardRequest request = flavoursToRead(types, switches);
        request.flavourByteLimit = limits.textBytes;
        request.imageByteLimit = limits.imageBytes;
        return request;
    });
}

ClipboardMonitor::EntryLimits ClipboardMonitor::entryLimits() const
{
    const qint64 store = m_modelContainer ? m_modelContainer->largestValueBytes() : MaxImageBytes;
    return {std::min(MaxTextBytes, store), std::min(MaxImageBytes, store)};
}

void ClipboardMonitor::onContentsRead(const PasteboardSnapshot &snapshot)
{
    // Only the generation last asked for counts: an older one was superseded before it was read.
    if (snapshot.changeCount() == 0 || snapshot.changeCount() != m_reading.changeCount)
        return;
    const Generation generation = std::exchange(m_reading, {});
    // A read the owner did not complete records nothing: a part of a copy is not that copy.
    const bool marked = !snapshot.data(PasswordManagerHintType).value_or(QByteArray()).isEmpty();
    if (marked) {
        // Never recorded, and nothing of it but the mark was read.
        Log::line(QStringLiteral("Cópia marcada por um gerenciador de senhas ignorada"));
        m_restorable.reset();
    } else if (snapshot.isComplete() && m_isMonitoring && snapshot.types().isEmpty()) {
        m_lastChangeCount = std::max(m_lastChangeCount.load(), generation.changeCount);
        if (snapshot.ownerQuit())
            restoreAfterOwnerQuit();
        m_restorable.reset();
    } else if (snapshot.isComplete() && m_isMonitoring) {
        m_recording = true;
        m_restorable = processPasteboardContent(snapshot, generation.source.bundleIdentifier,
                                                generation.source.name);
        m_recording = false;
    } else {
        m_restorable.reset();
    }
    m_lastChangeCount = std::max(m_lastChangeCount.load(), generation.changeCount);
    if (std::exchange(m_recheckAfterRecording, false) || m_pasteboard->changeCount() != m_lastChangeCount)
        checkForChanges();
}

PasteboardRequest ClipboardMonitor::flavoursToRead(const QStringList &types,
                                                    const CaptureSwitches &switches)
{
    PasteboardRequest request;
    const auto offered = [&types](const QString &type) { return types.contains(type); };
    if (offered(PasswordManagerHintType))
        request.stopFlavour = PasswordManagerHintType;
    const QString uriList = QStringLiteral("text/uri-list");
    if ((switches.file || switches.image) && offered(uriList))
        request.flavours << uriList;
    // The file managers' own list, where it comes alone.
    for (const QString &type : {ClipboardFlavours::GnomeCopiedFiles, ClipboardFlavours::MateCopiedFiles}) {
        if ((switches.file || switches.image) && !offered(uriList) && offered(type))
            request.flavours << type;
    }
    // The text of a copy that names itself a table is what it means; its picture is not read.
    const bool markedAsTable = std::any_of(types.cbegin(), types.cend(), ContentClassifier::isTableType);
    if (switches.image && !(markedAsTable && switches.text && offered(PlainTextType))) {
        static const QList<QByteArray> decodable = QImageReader::supportedMimeTypes();
        for (const QString &type : {PngType, TiffType, JpegType}) {
            if (offered(type))
                request.imageFlavours << type;
        }
        for (const QString &type : types) {
            if (type.startsWith(QLatin1String("image/")) && !request.imageFlavours.contains(type)
                && decodable.contains(type.toLatin1()))
                request.imageFlavours << type;
        }
    }
    if ((switches.text || switches.table) && offered(PlainTextType))
        request.flavours << PlainTextType;
    // The markup is only needed when no offered type already says the copy is a table.
    if ((switches.table || switches.text) && !markedAsTable && offered(HtmlType))
        request.flavours << HtmlType;
    return request;
}

ClipboardItemPtr ClipboardMonitor::processPasteboardContent(const PasteboardSnapshot &read,
                                                            const QString &bundleId,
                                                            const QString &appName)
{
    if (!m_modelContainer)
        return {};
    ModelContext *context = m_modelContainer->mainContext();
    const PasteboardSnapshot snapshot = ContentClassifier::interpreted(read);

    const bool captureText = m_preferences->isCaptureEnabled(CaptureKind::Text);
    const bool captureImage = m_preferences->isCaptureEnabled(CaptureKind::Image);
    const bool captureTable = m_preferences->isCaptureEnabled(CaptureKind::Table);
    const bool captureFile = m_preferences->isCaptureEnabled(CaptureKind::File);

    const QList<QUrl> fileUrls = ClipboardFlavours::localFileUrls(snapshot);
    if (!fileUrls.isEmpty()) {
        if (fileUrls.size() == 1 && captureImage) {
            const QString path = fileUrls.first().toLocalFile();
            if (ImageFileExtensions.contains(QFileInfo(path).suffix().toLower())) {
                if (std::optional<ImageCapture> image = imageFromFile(path)) 
                    return saveImageItem(image->data, image->size, bundleId, appName, context);
            }
        }
        if (captureFile) 
            return saveFileItem(fileUrls, bundleId, appName, context);
    }

    // Text that comes with a table is that table, or a text when the table is one cell, whatever
    // picture of it is offered too; an image wins only over other text.
    const std::optional<QByteArray> text = snapshot.data(PlainTextType);
    if (text && !isBlank(*text) && ContentClassifier::isTableContent(snapshot)) {
        if (captureTable && !ContentClassifier::isSingleCell(*text))
            return saveTableItem(*text, bundleId, appName, context);
        if (captureText)
            return saveTextItem(*text, bundleId, appName, context);
    }

    if (captureImage) {
        QString tooLarge;
        if (std::optional<ImageCapture> image = extractImageDataAndSize(snapshot, &tooLarge))
            return saveImageItem(image->data, image->size, bundleId, appName, context);
        for (auto it = snapshot.oversized().cbegin(); tooLarge.isEmpty() && it != snapshot.oversized().cend(); ++it) {
            if (it.key().startsWith(QLatin1String("image/")))
                tooLarge = overLimit(QStringLiteral("an image"), it.value(), entryLimits().imageBytes);
        }
        if (!tooLarge.isEmpty()) {
            Log::line(QStringLiteral("Erro ao salvar imagem no histórico: ") + tooLarge);
            return {};
        }
    }

    const bool table = captureTable && ContentClassifier::isTableContent(snapshot);
    if (const auto oversized = snapshot.oversized().constFind(PlainTextType);
        oversized != snapshot.oversized().cend() && (table || captureText)) {
        Log::line((table ? QStringLiteral("Erro ao salvar tabela no histórico: ")
                         : QStringLiteral("Erro ao salvar texto no histórico: "))
                  + overLimit(QStringLiteral("a text"), *oversized, entryLimits().textBytes));
        return {};
    }
    if (!captureText || !text || isBlank(*text))
        return {};
    return saveTextItem(*text, bundleId, appName, context);
}

std::optional<ClipboardMonitor::ImageCapture> ClipboardMonitor::imageFromFile(const QString &path)
{
    // Only a regular file of reasonable size: reading a pipe would block, and a huge file
    // would be held in memory whole.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxImageFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const std::optional<QImage> image = decodedImage(bytes);
    if (!image)
        return std::nullopt;
    return ImageCapture{std::move(bytes), pointSize(*image)};
}

std::optional<ClipboardMonitor::ImageCapture>
ClipboardMonitor::extractImageDataAndSize(const PasteboardSnapshot &snapshot, QString *tooLarge)
{
    QSize tooManyPixels;
    if (std::optional<QByteArray> png = snapshot.data(PngType)) {
        if (const std::optional<QImage> image = decodedImage(*png, nullptr, &tooManyPixels))
            return ImageCapture{*png, pointSize(*image)};
    }
    if (std::optional<QByteArray> tiff = snapshot.data(TiffType)) {
        if (const std::optional<QImage> image = decodedImage(*tiff, nullptr, &tooManyPixels)) {
            if (std::optional<QByteArray> png = pngEncoding(*image))
                return ImageCapture{*png, QSizeF(image->size())};
        }
    }
    if (std::optional<QByteArray> jpeg = snapshot.data(JpegType)) {
        if (const std::optional<QImage> image = decodedImage(*jpeg, nullptr, &tooManyPixels))
            return ImageCapture{*jpeg, pointSize(*image)};
    }
    // Any other offered image flavour the toolkit can decode. The clipboard's image object and
    // an image built from the clipboard are the same decoding here, so one attempt serves both.
    const QImage image = snapshot.image();
    if (!image.isNull()) {
        if (std::optional<QByteArray> png = pngEncoding(image))
            return ImageCapture{*png, pointSize(image)};
    }
    if (!tooLarge)
        return std::nullopt;
    if (tooManyPixels.isValid()) {
        *tooLarge = QStringLiteral("an image of %1 x %2 pixels is larger than the %3 megapixels a history entry can hold; not recorded")
                        .arg(tooManyPixels.width())
                        .arg(tooManyPixels.height())
                        .arg(MaxImagePixels / 1'000'000);
    }
    return std::nullopt;
}

QSizeF ClipboardMonitor::pointSize(const QImage &image)
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

// --- History store operations ---------------------------------------------------------------

ClipboardItemPtr ClipboardMonitor::saveTextItem(const QByteArray &text, const QString &bundleId,
                                    const QString &appName, ModelContext *context)
{
    const QString failureText = QStringLiteral("Erro ao salvar texto no histórico: ");
    // A long text is looked up, counted and stored from its UTF-8; a short one as a string.
    const bool longText = ClipboardItem::utf16Length(text) > ClipboardItem::HeldTextLimit;
    const QString shortText = longText ? QString() : QString::fromUtf8(text);
    QString error;
    const std::optional<QList<ClipboardItemPtr>> existing = context->fetch(
        longText ? FetchDescriptor::textEntriesUtf8(text) : FetchDescriptor::textEntries(shortText), &error);
    if (!existing) {
        Log::line(failureText + error);
        return {};
    }
    if (!existing->isEmpty())
        return refresh(existing->first(), bundleId, appName, context, failureText);
    ClipboardItemPtr item = newItem(ClipboardItem::TextType, bundleId, appName);
    if (longText) {
        const ClipboardItem::TextCounts counts = ClipboardItem::countUtf8(text);
        item->setTextContentUtf8(text);
        item->setCharCount(counts.characters);
        item->setWordCount(counts.words);
    } else {
        item->setTextContent(shortText);
        item->setCharCount(ClipboardItem::characterCount(shortText));
        item->setWordCount(ClipboardItem::countWords(shortText));
    }
    return insertAndSave(item, context, failureText);
}

ClipboardItemPtr ClipboardMonitor::saveTableItem(const QByteArray &text, const QString &bundleId,
                                     const QString &appName, ModelContext *context)
{
    ClipboardItemPtr item = newItem(ClipboardItem::TableType, bundleId, appName);
    item->setTextContentUtf8(text);
    return insertAndSave(item, context, QStringLiteral("Erro ao salvar tabela no histórico: "));
}

ClipboardItemPtr ClipboardMonitor::saveImageItem(const QByteArray &data, const QSizeF &size,
                                     const QString &bundleId, const QString &appName,
                                     ModelContext *context)
{
    ClipboardItemPtr item = newItem(ClipboardItem::ImageType, bundleId, appName);
    item->setImageData(data);
    item->setImageWidth(size.width());
    item->setImageHeight(size.height());
    return insertAndSave(item, context, QStringLiteral("Erro ao salvar imagem no histórico: "));
}

ClipboardItemPtr ClipboardMonitor::saveFileItem(const QList<QUrl> &fileUrls, const QString &bundleId,
                                    const QString &appName, ModelContext *context)
{
    const QString failureText = QStringLiteral("Erro ao salvar arquivo no histórico: ");
    QStringList paths;
    paths.reserve(fileUrls.size());
    for (const QUrl &url : fileUrls)
        paths << url.toLocalFile();
    // The same files copied again (a file manager's cut sets the clipboard twice) refresh their
    // entry, as a repeated text does.
    QString error;
    const std::optional<QList<ClipboardItemPtr>> existing = context->fetch(FetchDescriptor::fileEntries(paths), &error);
    if (!existing) {
        Log::line(failureText + error);
        return {};
    }
    if (!existing->isEmpty())
        return refresh(existing->first(), bundleId, appName, context, failureText);
    ClipboardItemPtr item = newItem(ClipboardItem::FileType, bundleId, appName);
    item->setFilePaths(paths);
    return insertAndSave(item, context, failureText);
}

ClipboardItemPtr ClipboardMonitor::refresh(const ClipboardItemPtr &item, const QString &bundleId,
                                           const QString &appName, ModelContext *context,
                                           const QString &failureText)
{
    item->setCopiedAt(now());
    if (!bundleId.isEmpty()) {
        item->setSourceAppBundleId(bundleId);
        item->setSourceAppName(appName);
    }
    QString error;
    if (!context->save(&error)) {
        Log::line(failureText + error);
        return {};
    }
    enforceHistoryLimit(context);
    return item;
}

ClipboardItemPtr ClipboardMonitor::insertAndSave(const ClipboardItemPtr &item, ModelContext *context,
                                     const QString &failureText)
{
    context->insert(item);
    QString error;
    if (!context->save(&error)) {
        Log::line(failureText + error);
        return {};
    }
    enforceHistoryLimit(context);
    return item;
}

void ClipboardMonitor::enforceHistoryLimit(ModelContext *context)
{
    if (!context)
        return;
    const qint64 limit = m_preferences->maxHistoryCountForLimit();
    QString error;
    if (!context->trimToCapacity(limit, &error))
        Log::line(QStringLiteral("Erro ao aplicar limite do histórico: ") + error);
}

QMimeData *ClipboardMonitor::mimeDataFor(const ClipboardItem &item)
{
    auto *contents = new QMimeData;
    const std::optional<QString> text = item.textContent();
    if (item.isImage()) {
        if (const std::optional<QByteArray> bytes = item.imageData()) {
            if (const std::optional<QImage> image = decodedImage(*bytes))
                contents->setImageData(*image);
        }
    } else if (item.isFile()) {
        if (const std::optional<QStringList> paths = item.filePaths())
            ClipboardFlavours::setFiles(*contents, *paths);
    } else if (item.isTable()) {
        if (text)
            ClipboardFlavours::setTable(*contents, *text);
    } else if (text) {
        contents->setText(*text);
    }
    return contents;
}

void ClipboardMonitor::restoreAfterOwnerQuit()
{
    if (!m_restorable || !m_preferences->keepClipboardAfterOwnerQuits())
        return;
    // Our own write: counted at once, so it is never recorded again.
    m_pasteboard->writeContents(mimeDataFor(*m_restorable));
    m_lastChangeCount = m_pasteboard->changeCount();
    Log::note(QStringLiteral("clipboard kept after its owner quit"));
}

void ClipboardMonitor::copyItemToPasteboard(const ClipboardItemPtr &item, ModelContext *context)
{
    if (!item)
        return;
    QMimeData *contents = mimeDataFor(*item);
    m_pasteboard->writeContents(contents);
    // A read still under way is of a generation this write has replaced; Kavla owns the
    // clipboard now, so there is nothing to keep when another owner quits.
    m_reading = {};
    m_restorable.reset();

    item->setCopiedAt(now());
    if (context)
        context->save(); // a failure here is deliberately silent
    m_lastChangeCount = m_pasteboard->changeCount();
    if (m_preferences->soundFeedbackForCopyBack() && m_alertSound)
        m_alertSound->play();
}
