#include "services/ClipboardMonitor.h"

#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "services/ClipboardFlavours.h"
#include "services/ContentClassifier.h"
#include "services/HistoryService.h"
#include "services/IgnoredAppsManager.h"
#include "services/Preferences.h"
#include "store/ThumbnailStore.h"
#include "support/Log.h"
#include "support/LogCategories.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <chrono>

namespace {

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

// The size is the one announced, or UnknownSize when the owner did not say.
QString overLimit(const QString &what, qint64 bytes, qint64 limit)
{
    if (bytes == PasteboardSnapshot::UnknownSize)
        return QStringLiteral("%1 of more than %2 is larger than a history entry can hold; not recorded")
            .arg(what, sizeText(limit));
    return QStringLiteral("%1 of %2 is larger than the %3 a history entry can hold; not recorded")
        .arg(what, sizeText(bytes), sizeText(limit));
}

} // namespace

const QStringList ClipboardMonitor::ImageFileExtensions = {
    QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
    QStringLiteral("gif"), QStringLiteral("webp"), QStringLiteral("heic"),
    QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("ico")};

ClipboardMonitor::ClipboardMonitor(Pasteboard *pasteboard, Workspace *workspace,
                                   Preferences *preferences, IgnoredAppsManager *ignoredApps,
                                   HistoryService *history, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_preferences(preferences)
    , m_ignoredApps(ignoredApps)
    , m_history(history)
    , m_lastChangeCount(pasteboard->changeCount())
{
    // Every image of the size an entry may hold decodes; Qt's default would refuse most photos
    // of a modern camera.
    QImageReader::setAllocationLimit(ImageDecodeBudgetMiB);
    connect(m_pasteboard, &Pasteboard::changedOutside, this, &ClipboardMonitor::onChangeAnnounced);
    connect(m_pasteboard, &Pasteboard::contentsRead, this, &ClipboardMonitor::onContentsRead);
    connect(&m_imageCapture, &ImageCapture::finished, this, &ClipboardMonitor::onImageCaptured);
    if (history) {
        connect(history, &HistoryService::removed, this, [this](const QList<QUuid> &ids) {
            if (m_restorable && ids.contains(m_restorable->id()))
                m_restorable.reset();
            for (const QUuid &id : ids)
                m_secrets.entryDeleted(id);
        });
        connect(history, &HistoryService::copiedBack, this,
                [this](const ClipboardItemPtr &, const QByteArray &plainText) { onCopiedBack(plainText); });
    }
}

ClipboardMonitor::~ClipboardMonitor() = default;

void ClipboardMonitor::startMonitoring()
{
    if (m_isMonitoring)
        return;
    m_isMonitoring = true;
    // The clipboard announces each change (XFixes, data-control): it is examined then and
    // otherwise never woken for.
    m_lastChangeCount = m_pasteboard->changeCount();
    Q_EMIT isMonitoringChanged(true);
}

void ClipboardMonitor::stopMonitoring()
{
    m_reading = {};
    // An image still being made is of a copy made before: it is not recorded now.
    if (std::exchange(m_pendingImage, std::nullopt))
        m_recording = false;
    if (!m_isMonitoring)
        return;
    m_isMonitoring = false;
    Q_EMIT isMonitoringChanged(false);
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
    if (m_recording) {
        m_recheckAfterRecording = true;
        return;
    }
    const qint64 changeCount = m_pasteboard->changeCount();
    if (changeCount == m_lastChangeCount || changeCount == m_reading.changeCount)
        return;
    if (m_reading.changeCount != 0)
        qCDebug(lcCapture) << "copy" << m_reading.changeCount << "not recorded: a newer copy came before it was read";

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
    if (madeHere || ignored || !m_history) {
        if (madeHere)
            qCDebug(lcCapture) << "copy" << changeCount << "skipped: made in Kavla itself";
        else if (ignored)
            qCDebug(lcCapture).nospace().noquote() << "copy " << changeCount << " skipped: the application in front ("
                                         << identifiers.join(QStringLiteral(", ")) << ") is on the ignore list";
        else
            qCDebug(lcCapture) << "copy" << changeCount << "skipped: no history to record it in";
        m_lastChangeCount = changeCount;
        m_reading = {};
        m_restorable.reset();
        m_secrets.contentArrived(std::nullopt, {});
        return;
    }

    const CaptureSwitches switches{m_preferences->isCaptureEnabled(CaptureKind::Text),
                                   m_preferences->isCaptureEnabled(CaptureKind::Image),
                                   m_preferences->isCaptureEnabled(CaptureKind::Table),
                                   m_preferences->isCaptureEnabled(CaptureKind::File)};
    m_reading = {changeCount, frontmost};
    qCDebug(lcCapture) << "copy" << changeCount << "made in" << frontmost.bundleIdentifier << "- reading it";
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
    const qint64 store = m_history ? m_history->largestValueBytes() : MaxImageBytes;
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
        qCDebug(lcCapture) << "copy" << generation.changeCount << "skipped: a password manager marked it"
                           << "(" << PasswordManagerHintType << ")";
        m_restorable.reset();
        m_secrets.contentArrived(std::nullopt, {});
    } else if (snapshot.isComplete() && m_isMonitoring && snapshot.types().isEmpty()) {
        m_lastChangeCount = std::max(m_lastChangeCount, generation.changeCount);
        // An owner that quit is no clear: what it copied may be put back. One that gave the
        // clipboard up while it runs emptied it.
        qCDebug(lcCapture) << "copy" << generation.changeCount << "is empty:"
                           << (snapshot.ownerQuit() ? "its owner quit" : "its owner emptied the clipboard");
        if (snapshot.ownerQuit())
            restoreAfterOwnerQuit(generation.changeCount);
        else
            forgetSecret(m_secrets.cleared());
        m_restorable.reset();
    } else if (snapshot.isComplete() && m_isMonitoring) {
        // The text read as its charset says, and bytes that are no text taken for what they are.
        const PasteboardSnapshot interpreted = ContentClassifier::interpreted(snapshot);
        const CaptureSwitches switches{m_preferences->isCaptureEnabled(CaptureKind::Text),
                                       m_preferences->isCaptureEnabled(CaptureKind::Image),
                                       m_preferences->isCaptureEnabled(CaptureKind::Table),
                                       m_preferences->isCaptureEnabled(CaptureKind::File)};
        m_recording = true;
        if (std::optional<ImageCapture::Request> request = imageRequest(interpreted, switches)) {
            // Decoded and encoded off the interface thread; the classification goes on then.
            m_pendingImage = PendingImage{++m_imageTickets, interpreted, generation, switches};
            m_imageCapture.start(m_pendingImage->ticket, *request);
            return;
        }
        record(interpreted, generation, switches, nullptr);
        return;
    } else {
        qCDebug(lcCapture) << "copy" << generation.changeCount << "not recorded:"
                           << (m_isMonitoring ? "its owner did not complete the read" : "monitoring stopped");
        m_restorable.reset();
        m_secrets.contentArrived(std::nullopt, {});
    }
    finishGeneration(generation);
}

void ClipboardMonitor::onImageCaptured(quint64 ticket, const ImageCapture::Result &result)
{
    if (!m_pendingImage || m_pendingImage->ticket != ticket)
        return;
    const PendingImage pending = *std::exchange(m_pendingImage, std::nullopt);
    record(pending.snapshot, pending.generation, pending.switches, &result);
}

void ClipboardMonitor::record(const PasteboardSnapshot &snapshot, const Generation &generation,
                              const CaptureSwitches &switches, const ImageCapture::Result *images)
{
    m_restorable = processPasteboardContent(snapshot, generation.source.bundleIdentifier, generation.source.name,
                                            switches, images);
    const std::optional<QByteArray> text = snapshot.data(PlainTextType);
    const bool blank = !m_restorable && text && isBlank(*text) && snapshot.urls().isEmpty()
        && (!images || (!images->fromFile && !images->fromFlavours));
    if (m_restorable) {
        qCDebug(lcCapture) << "copy" << generation.changeCount << "recorded as the" << m_restorable->contentType()
                           << "entry" << m_restorable->storedId();
    } else if (blank) {
        qCDebug(lcCapture) << "copy" << generation.changeCount << "not recorded: a blank text";
    } else {
        QStringList off;
        for (const auto &[kind, on] : {std::pair{"text", switches.text}, std::pair{"image", switches.image},
                                       std::pair{"table", switches.table}, std::pair{"file", switches.file}}) {
            if (!on)
                off << QString::fromLatin1(kind);
        }
        qCDebug(lcCapture).noquote() << "copy" << generation.changeCount << "not recorded: it offers"
                                     << snapshot.types().join(QStringLiteral(", "))
                                     << (off.isEmpty() ? QStringLiteral("(nothing Kavla records, or the save failed)")
                                                       : QStringLiteral("and capture is switched off for ") + off.join(QStringLiteral(", ")));
    }
    if (blank)
        forgetSecret(m_secrets.cleared());
    else
        forgetSecret(m_secrets.contentArrived(text ? SecretCopyDetector::fingerprint(*text) : std::nullopt, m_restorable));
    m_recording = false;
    finishGeneration(generation);
}

void ClipboardMonitor::finishGeneration(const Generation &generation)
{
    m_lastChangeCount = std::max(m_lastChangeCount, generation.changeCount);
    if (std::exchange(m_recheckAfterRecording, false) || m_pasteboard->changeCount() != m_lastChangeCount)
        checkForChanges();
}

void ClipboardMonitor::forgetSecret(const std::optional<SecretCopyDetector::Verdict> &verdict)
{
    if (!verdict || !m_preferences->forgetClearedSecrets() || !m_history)
        return;
    // A failed save keeps the deletion pending and retries it.
    if (!m_history->forget(verdict->entry))
        return;
    if (m_restorable == verdict->entry)
        m_restorable.reset();
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(verdict->after).count();
    qCDebug(lcCapture) << "entry" << verdict->entry->storedId() << "forgotten as a secret:"
                       << (verdict->reason == SecretCopyDetector::Reason::Cleared ? "its owner emptied the clipboard"
                                                                                  : "what it replaced came back")
                       << seconds << "s after the copy";
    Log::line(verdict->reason == SecretCopyDetector::Reason::Cleared
                  ? QStringLiteral("Cópia esquecida como senha: a área de transferência foi esvaziada %1 s depois").arg(seconds)
                  : QStringLiteral("Cópia esquecida como senha: o conteúdo anterior voltou %1 s depois").arg(seconds));
}

std::optional<ImageCapture::Request> ClipboardMonitor::imageRequest(const PasteboardSnapshot &snapshot,
                                                                   const CaptureSwitches &switches)
{
    if (!switches.image)
        return std::nullopt;
    ImageCapture::Request request;
    request.maxFileBytes = MaxImageFileBytes;
    request.maxPixels = MaxImagePixels;
    request.thumbnailEdge = ThumbnailStore::Edge;
    const QList<QUrl> fileUrls = ClipboardFlavours::localFileUrls(snapshot);
    if (fileUrls.size() == 1) {
        const QString path = fileUrls.first().toLocalFile();
        if (ImageFileExtensions.contains(QFileInfo(path).suffix().toLower()))
            request.filePath = path;
    }
    // The image flavours are reached only when no file entry is recorded first, nor the text of
    // a table (whose picture is only a picture): PNG, TIFF and JPEG in that order, then any other
    // image type read.
    const std::optional<QByteArray> text = snapshot.data(PlainTextType);
    const bool tableText = text && !isBlank(*text) && (switches.table || switches.text)
        && ContentClassifier::isTableContent(snapshot);
    if ((fileUrls.isEmpty() || !switches.file) && !tableText) {
        for (const QString &type : {PngType, TiffType, JpegType}) {
            if (std::optional<QByteArray> bytes = snapshot.data(type))
                request.flavours.append({type, *bytes});
        }
        for (const QString &type : snapshot.types()) {
            if (type.startsWith(QLatin1String("image/")) && type != PngType && type != TiffType && type != JpegType) {
                if (std::optional<QByteArray> bytes = snapshot.data(type))
                    request.flavours.append({type, *bytes});
            }
        }
    }
    if (request.filePath.isEmpty() && request.flavours.isEmpty())
        return std::nullopt;
    return request;
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

ClipboardItemPtr ClipboardMonitor::processPasteboardContent(const PasteboardSnapshot &snapshot,
                                                            const QString &bundleId, const QString &appName,
                                                            const CaptureSwitches &switches,
                                                            const ImageCapture::Result *images)
{
    if (!m_history)
        return {};
    const auto saveImage = [&](const ImageCapture::Image &image) {
        return m_history->recordImage(image.data, image.size, image.thumbnail, bundleId, appName);
    };

    const QList<QUrl> fileUrls = ClipboardFlavours::localFileUrls(snapshot);
    if (!fileUrls.isEmpty()) {
        if (images && images->fromFile)
            return saveImage(*images->fromFile);
        if (switches.file) {
            QStringList paths;
            paths.reserve(fileUrls.size());
            for (const QUrl &url : fileUrls)
                paths << url.toLocalFile();
            return m_history->recordFiles(paths, bundleId, appName);
        }
    }

    // Text that comes with a table is that table, or a text when the table is one cell, whatever
    // picture of it is offered too; an image wins only over other text.
    const std::optional<QByteArray> text = snapshot.data(PlainTextType);
    if (text && !isBlank(*text) && ContentClassifier::isTableContent(snapshot)) {
        if (switches.table && !ContentClassifier::isSingleCell(*text))
            return m_history->recordTable(*text, bundleId, appName);
        if (switches.text)
            return m_history->recordText(*text, bundleId, appName);
    }

    // An image flavour that is not an image is said so when nothing else of the copy is recorded.
    QString undecodable;
    if (switches.image) {
        if (images && images->fromFlavours)
            return saveImage(*images->fromFlavours);
        QString tooLarge;
        if (images && images->tooManyPixels.isValid()) {
            tooLarge = QStringLiteral("an image of %1 x %2 pixels is larger than the %3 megapixels a history entry can hold; not recorded")
                           .arg(images->tooManyPixels.width())
                           .arg(images->tooManyPixels.height())
                           .arg(MaxImagePixels / 1'000'000);
        }
        for (auto it = snapshot.oversized().cbegin(); tooLarge.isEmpty() && it != snapshot.oversized().cend(); ++it) {
            if (it.key().startsWith(QLatin1String("image/")))
                tooLarge = overLimit(QStringLiteral("an image"), it.value(), entryLimits().imageBytes);
        }
        if (!tooLarge.isEmpty()) {
            Log::line(QStringLiteral("Erro ao salvar imagem no histórico: ") + tooLarge);
            return {};
        }
        if (images && !images->undecodable.isEmpty()) {
            const qsizetype bytes = snapshot.data(images->undecodable).value_or(QByteArray()).size();
            undecodable = QStringLiteral("the %1 of %2 copied is not an image Kavla can decode (damaged or cut short); not recorded")
                              .arg(images->undecodable, sizeText(bytes));
        }
    }
    const auto nothing = [&undecodable] {
        if (!undecodable.isEmpty())
            Log::line(QStringLiteral("Erro ao salvar imagem no histórico: ") + undecodable);
        return ClipboardItemPtr();
    };

    const bool table = switches.table && ContentClassifier::isTableContent(snapshot);
    if (const auto oversized = snapshot.oversized().constFind(PlainTextType);
        oversized != snapshot.oversized().cend() && (table || switches.text)) {
        Log::line((table ? QStringLiteral("Erro ao salvar tabela no histórico: ")
                         : QStringLiteral("Erro ao salvar texto no histórico: "))
                  + overLimit(QStringLiteral("a text"), *oversized, entryLimits().textBytes));
        return {};
    }
    if (!switches.text || !text || isBlank(*text))
        return nothing();
    return m_history->recordText(*text, bundleId, appName);
}

void ClipboardMonitor::restoreAfterOwnerQuit(qint64 changeCount)
{
    if (!m_restorable || !m_preferences->keepClipboardAfterOwnerQuits())
        return;
    // Our own write: counted at once, so it is never recorded again. Written only while the
    // clipboard is still empty, so a copy made meanwhile is never replaced.
    const qint64 before = m_pasteboard->changeCount();
    m_pasteboard->restoreContents(ClipboardFlavours::contentsOf(*m_restorable), changeCount);
    if (m_pasteboard->changeCount() == before)
        return;
    m_lastChangeCount = m_pasteboard->changeCount();
    Log::note(QStringLiteral("clipboard kept after its owner quit"));
}

void ClipboardMonitor::onCopiedBack(const QByteArray &plainText)
{
    qCDebug(lcCapture) << "Kavla wrote the clipboard itself (a copy-back): that change is not recorded";
    // What the user put there is what a password tool would put back, not a restore of it.
    m_secrets.ownWrite(plainText.isNull() ? std::nullopt : SecretCopyDetector::fingerprint(plainText));
    // A read still under way is of a generation this write has replaced; Kavla owns the
    // clipboard now, so there is nothing to keep when another owner quits.
    m_reading = {};
    m_restorable.reset();
    m_lastChangeCount = m_pasteboard->changeCount();
}
