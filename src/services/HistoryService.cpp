#include "services/HistoryService.h"

#include "platform/AlertSound.h"
#include "platform/Pasteboard.h"
#include "services/ClipboardFlavours.h"
#include "services/Preferences.h"
#include "store/FetchDescriptor.h"
#include "store/HistoryQueryModel.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "support/Log.h"
#include "support/LogCategories.h"

#include <QMimeData>
#include <QScopedValueRollback>

namespace {

const QString PlainTextType = QStringLiteral("text/plain");

ClipboardItemPtr newItem(const QString &contentType, const QString &bundleId, const QString &appName)
{
    const QDateTime time = QDateTime::currentDateTimeUtc();
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), time, time, contentType, std::nullopt, std::nullopt,
                                           std::nullopt, bundleId, appName, 0, 0, 0.0, 0.0, false);
}

} // namespace

HistoryService::HistoryService(ModelContainer *container, Preferences *preferences, Pasteboard *pasteboard,
                               AlertSound *alertSound, QObject *parent)
    : QObject(parent)
    , m_container(container)
    , m_preferences(preferences)
    , m_pasteboard(pasteboard)
    , m_alertSound(alertSound)
{
    connect(container, &ModelContainer::didSave, this, [this](const StoreChanges &changes) {
        if (!changes.deleted.isEmpty())
            Q_EMIT removed(changes.deleted);
    });
    // The capacity is the stored value's: whoever stores a new one (the Settings window once a
    // value is meant, or any other writer), the history follows it.
    connect(preferences, &Preferences::maxHistoryCountChanged, this, &HistoryService::enforceHistoryLimit);
}

HistoryService::~HistoryService() = default;

HistoryQueryModel *HistoryService::model() const
{
    return m_container->historyModel();
}

QList<ClipboardItemPtr> HistoryService::entries() const
{
    return m_container->mainContext()->fetch(FetchDescriptor::historyNewestFirst()).value_or(model()->items());
}

ClipboardItemPtr HistoryService::entry(const QUuid &id) const
{
    return model()->itemAt(model()->rowOf(id));
}

qint64 HistoryService::largestValueBytes() const
{
    return m_container->largestValueBytes();
}

ClipboardItemPtr HistoryService::recordText(const QByteArray &utf8, const QString &bundleId, const QString &appName)
{
    const QString failureText = QStringLiteral("Erro ao salvar texto no histórico: ");
    // A long text is looked up, counted and stored from its UTF-8; a short one as a string.
    const bool longText = ClipboardItem::utf16Length(utf8) > ClipboardItem::HeldTextLimit;
    const QString shortText = longText ? QString() : QString::fromUtf8(utf8);
    QString error;
    const std::optional<QList<ClipboardItemPtr>> existing = m_container->mainContext()->fetch(
        longText ? FetchDescriptor::textEntriesUtf8(utf8) : FetchDescriptor::textEntries(shortText), &error);
    if (!existing) {
        Log::line(failureText + error);
        return {};
    }
    if (!existing->isEmpty())
        return refresh(existing->first(), bundleId, appName, failureText);
    ClipboardItemPtr item = newItem(ClipboardItem::TextType, bundleId, appName);
    if (longText) {
        const ClipboardItem::TextCounts counts = ClipboardItem::countUtf8(utf8);
        item->setTextContentUtf8(utf8);
        item->setCharCount(counts.characters);
        item->setWordCount(counts.words);
    } else {
        item->setTextContent(shortText);
        item->setCharCount(ClipboardItem::characterCount(shortText));
        item->setWordCount(ClipboardItem::countWords(shortText));
    }
    return insertAndSave(item, failureText);
}

ClipboardItemPtr HistoryService::recordTable(const QByteArray &utf8, const QString &bundleId, const QString &appName)
{
    ClipboardItemPtr item = newItem(ClipboardItem::TableType, bundleId, appName);
    item->setTextContentUtf8(utf8);
    return insertAndSave(item, QStringLiteral("Erro ao salvar tabela no histórico: "));
}

ClipboardItemPtr HistoryService::recordImage(const QByteArray &data, const QSizeF &size, const QByteArray &thumbnail,
                                             const QString &bundleId, const QString &appName)
{
    ClipboardItemPtr item = newItem(ClipboardItem::ImageType, bundleId, appName);
    item->setImageData(data);
    item->setImageWidth(size.width());
    item->setImageHeight(size.height());
    item = insertAndSave(item, QStringLiteral("Erro ao salvar imagem no histórico: "));
    if (item && !thumbnail.isEmpty())
        m_container->storeThumbnail(item->storedId(), thumbnail);
    return item;
}

ClipboardItemPtr HistoryService::recordFiles(const QStringList &paths, const QString &bundleId, const QString &appName)
{
    const QString failureText = QStringLiteral("Erro ao salvar arquivo no histórico: ");
    // The same files copied again (a file manager's cut sets the clipboard twice) refresh their
    // entry, as a repeated text does.
    QString error;
    const std::optional<QList<ClipboardItemPtr>> existing
        = m_container->mainContext()->fetch(FetchDescriptor::fileEntries(paths), &error);
    if (!existing) {
        Log::line(failureText + error);
        return {};
    }
    if (!existing->isEmpty())
        return refresh(existing->first(), bundleId, appName, failureText);
    ClipboardItemPtr item = newItem(ClipboardItem::FileType, bundleId, appName);
    item->setFilePaths(paths);
    return insertAndSave(item, failureText);
}

ClipboardItemPtr HistoryService::refresh(const ClipboardItemPtr &item, const QString &bundleId, const QString &appName,
                                         const QString &failureText)
{
    qCDebug(lcStore) << "an equal copy moves entry" << item->storedId() << "to the top";
    item->setCopiedAt(QDateTime::currentDateTimeUtc());
    if (!bundleId.isEmpty()) {
        item->setSourceAppBundleId(bundleId);
        item->setSourceAppName(appName);
    }
    QString error;
    if (!m_container->mainContext()->save(&error)) {
        Log::line(failureText + error);
        return {};
    }
    enforceHistoryLimit();
    return item;
}

ClipboardItemPtr HistoryService::insertAndSave(const ClipboardItemPtr &item, const QString &failureText)
{
    ModelContext *context = m_container->mainContext();
    context->insert(item);
    QString error;
    if (!context->save(&error)) {
        Log::line(failureText + error);
        return {};
    }
    enforceHistoryLimit();
    return item;
}

void HistoryService::copyBack(const ClipboardItemPtr &item)
{
    if (!item)
        return;
    if (m_pasteboard) {
        QMimeData *contents = ClipboardFlavours::contentsOf(*item);
        const QByteArray text = contents->hasFormat(PlainTextType) ? contents->data(PlainTextType) : QByteArray();
        m_pasteboard->writeContents(contents);
        Q_EMIT copiedBack(item, text);
    }
    item->setCopiedAt(QDateTime::currentDateTimeUtc());
    saveQuietly();
    if (m_alertSound && m_preferences->soundFeedbackForCopyBack())
        m_alertSound->play();
}

void HistoryService::setPinned(const ClipboardItemPtr &item, bool pinned)
{
    if (!item)
        return;
    item->setIsPinned(pinned);
    saveQuietly();
}

void HistoryService::remove(const ClipboardItemPtr &item)
{
    if (!item)
        return;
    m_container->mainContext()->remove(item);
    saveQuietly();
}

void HistoryService::clear()
{
    // The whole stored history, whatever a search shows, and copies not yet written.
    ModelContext *context = m_container->mainContext();
    for (const ClipboardItemPtr &item : context->fetch(FetchDescriptor::all()).value_or(model()->items()))
        context->remove(item);
    saveQuietly();
}

bool HistoryService::forget(const ClipboardItemPtr &item)
{
    // A pinned entry is one the user chose to keep.
    if (!item || item->isPinned())
        return false;
    remove(item);
    return true;
}

void HistoryService::enforceHistoryLimit()
{
    // Reading a capacity below 1 stores 30, which announces a change: applied once, not twice.
    if (m_enforcingLimit)
        return;
    const QScopedValueRollback<bool> enforcing(m_enforcingLimit, true);
    const qint64 limit = m_preferences->maxHistoryCountForLimit();
    QString error;
    if (!m_container->mainContext()->trimToCapacity(limit, &error))
        Log::line(QStringLiteral("Erro ao aplicar limite do histórico: ") + error);
    else
        qCDebug(lcStore) << "capacity" << limit << "applied:" << model()->rowCount() << "entries kept";
}

void HistoryService::keepThumbnail(const QString &storedId, const QByteArray &png)
{
    m_container->storeThumbnail(storedId, png);
}

bool HistoryService::flush(QString *error)
{
    return m_container->flush(error);
}

void HistoryService::saveQuietly()
{
    // A failure leaves the changes pending; the store retries them.
    m_container->mainContext()->save();
}
