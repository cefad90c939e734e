#include "store/ModelContext.h"

#include "store/ModelContainer.h"
#include "store/SearchText.h"
#include "store/StoreSchema.h"
#include "support/Log.h"
#include "support/LogCategories.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QStringDecoder>

#include <QSqlDriver>

#include <sqlite3.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

QString idText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

// Ids that are not a UUID in its usual text (a damaged or hand-edited history) are each given
// a UUID derived from their own text, so every row stays an entry of its own.
const QUuid ForeignIdNamespace = QUuid::fromString(u"6f0c3b52-7d43-4a7e-9a55-2b1e7c0d9f31");

QUuid idOfStoredId(const QString &storedId)
{
    const QUuid id = QUuid::fromString(storedId);
    if (!id.isNull() && idText(id) == storedId)
        return id;
    return QUuid::createUuidV5(ForeignIdNamespace, storedId);
}

QVariant optionalText(const std::optional<QString> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<QString>());
}

QVariant pathsValue(const std::optional<QStringList> &paths)
{
    if (!paths)
        return QVariant(QMetaType::fromType<QString>());
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(*paths)).toJson(QJsonDocument::Compact));
}

std::optional<QStringList> pathsFromValue(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    QStringList paths;
    const QJsonArray array = QJsonDocument::fromJson(value.toString().toUtf8()).array();
    paths.reserve(array.size());
    for (const QJsonValue &path : array)
        paths << path.toString();
    return paths;
}

std::optional<QString> textFromValue(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

// Enough UTF-8 for HeldTextLimit + 1 characters of four bytes each: a text that fills it is longer
// than a record holds, whatever its characters.
constexpr qsizetype HeldTextBytes = (ClipboardItem::HeldTextLimit + 1) * 4;

// The text column as the history list reads it: the whole text, or the beginning of a longer one.
std::optional<QString> heldTextFromValue(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    const QByteArray bytes = value.toByteArray();
    QString text = QString::fromUtf8(bytes);
    if (bytes.size() >= HeldTextBytes)
        text.truncate(ClipboardItem::HeldTextLimit + 1);
    return text;
}

bool sortsBefore(const ClipboardItemPtr &a, const ClipboardItemPtr &b)
{
    return a->copiedAt() > b->copiedAt();
}

// The text prefix the lookup index is built on (substr counts characters, not UTF-16 units).
QString textPrefix(const QString &text)
{
    qsizetype units = 0;
    for (int characters = 0; characters < 64 && units < text.size(); ++characters)
        units += (text.at(units).isHighSurrogate() && units + 1 < text.size()) ? 2 : 1;
    return text.left(units);
}

// The beginning of valid UTF-8 decoded far enough to hold its first 64 characters whole.
QString utf8Prefix(const QByteArray &utf8)
{
    return textPrefix(QString::fromUtf8(QByteArrayView(utf8).first(std::min<qsizetype>(utf8.size(), 64 * 4 + 4))));
}

} // namespace

// Whether a pending record matches; stored ones were matched by the query itself.
bool ModelContext::matches(const FetchDescriptor &descriptor, const ClipboardItem &item)
{
    if (descriptor.filePathsEqual)
        return item.isFile() && item.filePaths() == descriptor.filePathsEqual;
    if (descriptor.textEqualsUtf8) {
        if (!item.isText())
            return false;
        if (!item.m_pendingTextUtf8.isNull())
            return item.m_pendingTextUtf8 == *descriptor.textEqualsUtf8;
        return item.isTextHeld() && item.m_textContent->toUtf8() == *descriptor.textEqualsUtf8;
    }
    if (!descriptor.textEquals)
        return true;
    if (item.isText() && !item.m_pendingTextUtf8.isNull())
        return QString::fromUtf8(item.m_pendingTextUtf8) == *descriptor.textEquals;
    return item.isText() && item.isTextHeld() && *item.textContent() == *descriptor.textEquals;
}

bool ModelContext::isLongText(const ClipboardItem &item)
{
    return !item.m_pendingTextUtf8.isNull()
        || (item.isTextHeld() && item.textContent()->size() > ClipboardItem::HeldTextLimit);
}

ModelContext::FoldSource ModelContext::foldSourceOf(const ClipboardItem &item)
{
    if (!item.m_pendingTextUtf8.isNull())
        return {QString(), item.m_pendingTextUtf8};
    return {*item.m_textContent, QByteArray()};
}

qint64 ModelContext::largestValueBytes(const ClipboardItem &item)
{
    // Strings reach SQLite as UTF-16, a long text kept as UTF-8 as it is.
    qint64 largest = item.m_pendingImageData ? item.m_pendingImageData->size() : 0;
    if (!item.m_pendingTextUtf8.isNull())
        largest = std::max<qint64>(largest, item.m_pendingTextUtf8.size());
    else if (item.m_textContent)
        largest = std::max<qint64>(largest, item.m_textContent->size() * 2);
    if (item.m_filePaths) {
        qint64 paths = 0;
        for (const QString &path : *item.m_filePaths)
            paths += path.size() * 2 + 4;
        largest = std::max(largest, paths);
    }
    return largest;
}

bool ModelContext::fitsInStore(const ClipboardItem &item, QString *error)
{
    // Checked before SQLite is handed megabytes it would refuse anyway.
    const qint64 limit = m_container->largestValueBytes();
    const qint64 bytes = largestValueBytes(item);
    if (bytes <= limit)
        return true;
    *error = QStringLiteral("string or blob too big: %1 bytes, more than the %2 a history entry can hold")
                 .arg(bytes)
                 .arg(limit);
    m_failureCode = 18; // SQLITE_TOOBIG
    return false;
}

ModelContext::ModelContext(ModelContainer *container)
    : m_container(container)
{
    m_foldPool.setMaxThreadCount(1);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(RetryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &ModelContext::retryPendingSave);
}

ModelContext::~ModelContext()
{
    m_foldPool.clear();
    m_foldPool.waitForDone();
}

void ModelContext::releaseBindings(QSqlQuery &query)
{
    // A kept statement would otherwise hold on to the last values bound until its next use, and
    // SQLite to what it built from them: one that carried megabytes is not kept.
    query.finish();
    qsizetype bytes = 0;
    const QVariantList values = query.boundValues();
    for (qsizetype position = 0; position < values.size(); ++position) {
        const QVariant &value = values.at(position);
        if (value.typeId() == QMetaType::QString)
            bytes += value.toString().size() * 2;
        else if (value.typeId() == QMetaType::QByteArray)
            bytes += value.toByteArray().size();
        query.bindValue(int(position), QVariant());
    }
    // Qt finalizes a statement whose binding failed (a value over SQLite's length limit): kept,
    // it would fail every later use.
    if (bytes > LargeStatementBytes || query.lastError().isValid())
        m_statements.remove(query.lastQuery());
}

QSqlQuery &ModelContext::statement(const QString &sql)
{
    // Preparing costs more than running most of these statements, and each capture runs several.
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        auto query = std::make_shared<QSqlQuery>(m_container->database());
        query->setForwardOnly(true);
        if (!query->prepare(sql)) {
            m_unprepared = std::move(*query); // its exec() reports why; not kept for the next time
            return m_unprepared;
        }
        it = m_statements.insert(sql, query);
    }
    return **it;
}

void ModelContext::insert(const ClipboardItemPtr &item)
{
    if (!item || m_inserted.contains(item))
        return;
    if (m_inserted.size() >= MaxPendingInserts) {
        // The database has refused writes for a long while: the oldest copy waiting goes, so
        // that memory stays bounded.
        Log::note(QStringLiteral("the history cannot be written; the oldest copy waiting for it is dropped"));
        dropPending(m_inserted.first());
    }
    item->m_context = this;
    m_deleted.removeAll(item);
    m_inserted.append(item);
    // A stored record keeps its id; a newcomer with the same id will be refused at save.
    if (m_records.value(item->id()).expired())
        m_records.insert(item->id(), item);
}

void ModelContext::remove(const ClipboardItemPtr &item)
{
    // A record dropped after a failed save, or never inserted, has nothing to delete; its id may
    // be another stored record's.
    if (!item || item->m_context != this)
        return;
    if (m_inserted.removeAll(item) > 0) {
        m_changed.remove(item.get());
        if (m_records.value(item->id()).lock() == item)
            m_records.remove(item->id());
        return;
    }
    if (!m_deleted.contains(item))
        m_deleted.append(item);
}

bool ModelContext::hasChanges() const
{
    return !m_inserted.isEmpty() || !m_deleted.isEmpty() || !m_changed.isEmpty();
}

void ModelContext::noteChanged(const ClipboardItemPtr &item)
{
    m_changed.insert(item.get(), item);
}

bool ModelContext::save(QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!hasChanges())
        return true;

    QSqlDatabase db = m_container->database();
    if (!db.transaction()) {
        fail(db.lastError(), error);
        scheduleRetry();
        return false;
    }
    bool ok = true;
    ClipboardItemPtr culprit; // the record whose own statement failed, if one did
    for (const ClipboardItemPtr &item : std::as_const(m_deleted)) {
        if (!(ok = writeDelete(*item, error)))
            break;
    }
    for (auto it = m_inserted.cbegin(); ok && it != m_inserted.cend(); ++it) {
        if (!(ok = fitsInStore(**it, error) && writeInsert(**it, error)))
            culprit = *it;
    }
    for (auto it = m_changed.cbegin(); ok && it != m_changed.cend(); ++it) {
        const ClipboardItemPtr &item = it.value();
        if (!m_inserted.contains(item) && !m_deleted.contains(item)
            && !(ok = fitsInStore(*item, error) && writeUpdate(*item, error)))
            culprit = item;
    }
    if (ok && !db.commit()) {
        fail(db.lastError(), error);
        ok = false;
    }
    if (!ok) {
        db.rollback();
        for (const ClipboardItemPtr &item : std::as_const(m_inserted))
            m_textsToFold.remove(item->storedId());
        for (const ClipboardItemPtr &item : std::as_const(m_changed))
            m_textsToFold.remove(item->storedId());
        if (culprit && !isTemporaryFailure(m_failureCode)) {
            // It can never be written (too big, a constraint): kept, it would fail every later
            // save. Only it goes; the other pending changes are written without it.
            dropPending(culprit);
            *error += QStringLiteral(" (not recorded, and not retried)");
            QString laterError;
            save(&laterError);
        } else {
            qCDebug(lcStore) << "save failed, kept pending and retried in" << RetryIntervalMs << "ms:" << *error;
            scheduleRetry();
        }
        return false;
    }
    m_retryTimer.stop();

    // Saved: image bytes and long texts now live in the database and are read from there when
    // asked for.
    StoreChanges changes;
    changes.inserted = m_inserted;
    for (const ClipboardItemPtr &item : std::as_const(m_inserted)) {
        item->m_pendingImageData.reset();
        item->m_changedFields = 0;
        item->releaseLongText();
    }
    for (const ClipboardItemPtr &item : std::as_const(m_changed)) {
        if (!m_inserted.contains(item) && !m_deleted.contains(item))
            changes.updated.append({item, item->m_changedFields});
        item->m_pendingImageData.reset();
        item->m_changedFields = 0;
        item->releaseLongText();
    }
    for (const ClipboardItemPtr &item : std::as_const(m_deleted)) {
        changes.deleted.append(item->id());
        item->m_context = nullptr;
        m_records.remove(item->id());
    }
    m_inserted.clear();
    m_deleted.clear();
    m_changed.clear();
    forgetExpiredRecords();
    if (!m_textsToFold.isEmpty())
        QMetaObject::invokeMethod(this, &ModelContext::writeFoldedCopies, Qt::QueuedConnection);
    qCDebug(lcStore) << "saved:" << changes.inserted.size() << "inserted," << changes.updated.size() << "updated,"
                     << changes.deleted.size() << "deleted";
    Q_EMIT m_container->didSave(changes);
    return true;
}

bool ModelContext::fail(const QSqlError &failure, QString *error)
{
    *error = failure.text();
    m_failureCode = failure.nativeErrorCode().toInt();
    return false;
}

bool ModelContext::isTemporaryFailure(int code)
{
    // SQLite's primary result codes (the low byte of an extended one): another writer, a full
    // disk, an I/O or memory failure may pass; anything else about one record will not.
    switch (code & 0xff) {
    case 18: // SQLITE_TOOBIG
    case 19: // SQLITE_CONSTRAINT
    case 20: // SQLITE_MISMATCH
    case 25: // SQLITE_RANGE
        return false;
    default:
        return true;
    }
}

void ModelContext::dropPending(const ClipboardItemPtr &item)
{
    m_inserted.removeAll(item);
    m_changed.remove(item.get());
    m_textsToFold.remove(item->storedId());
    if (m_records.value(item->id()).lock() == item)
        m_records.remove(item->id());
    // A payload that is never written is not kept in memory.
    if (item->m_pendingImageData)
        item->m_pendingImageData.reset();
    if (!item->m_pendingTextUtf8.isNull()) {
        item->m_pendingTextUtf8 = QByteArray();
        item->m_textInStore = false;
    }
    item->m_context = nullptr;
}

void ModelContext::scheduleRetry()
{
    if (!m_retryTimer.isActive())
        m_retryTimer.start();
}

void ModelContext::retryPendingSave()
{
    QString error;
    if (hasChanges() && save(&error))
        Log::note(QStringLiteral("the history changes of an earlier failed save are now written"));
}

bool ModelContext::trimToCapacity(qint64 capacity, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (hasChanges() && !save(error))
        return false;

    // One statement: the unpinned entries past the newest `capacity`; their image bytes and
    // folded copies go with them through the store's trigger.
    QSqlQuery &query = statement(QStringLiteral("DELETE FROM ClipboardItem WHERE isPinned = 0 AND id IN"
                                 " (SELECT id FROM ClipboardItem ORDER BY copiedAt DESC LIMIT -1 OFFSET ?)"
                                 " RETURNING id"));
    query.addBindValue(std::max<qint64>(capacity, 0));
    if (!query.exec())
        return fail(query.lastError(), error);
    StoreChanges changes;
    while (query.next()) {
        const QString storedId = query.value(0).toString();
        m_foldsUnderWay.remove(storedId);
        changes.deleted.append(idOfStoredId(storedId));
    }
    if (query.lastError().isValid())
        return fail(query.lastError(), error);
    query.finish();
    if (changes.deleted.isEmpty())
        return true;
    for (const QUuid &id : std::as_const(changes.deleted)) {
        if (ClipboardItemPtr record = m_records.take(id).lock())
            record->m_context = nullptr;
    }
    Q_EMIT m_container->didSave(changes);
    return true;
}

bool ModelContext::writeInsert(const ClipboardItem &item, QString *error)
{
    // A long text kept as UTF-8 is written by writeLongText() right after.
    const bool utf8Text = !item.m_pendingTextUtf8.isNull();
    QSqlQuery &query = statement(QStringLiteral("INSERT INTO ClipboardItem (%1) VALUES (?%2)")
                      .arg(StoreSchema::itemColumns().join(QStringLiteral(", ")),
                           QStringLiteral(", ?").repeated(StoreSchema::itemColumns().size() - 1)));
    const auto unbind = qScopeGuard([this, &query] { releaseBindings(query); });
    query.addBindValue(item.storedId());
    query.addBindValue(item.createdAt().toMSecsSinceEpoch());
    query.addBindValue(item.copiedAt().toMSecsSinceEpoch());
    query.addBindValue(item.contentType());
    query.addBindValue(utf8Text ? QVariant(QMetaType::fromType<QString>()) : optionalText(item.m_textContent));
    query.addBindValue(item.hasImageData() ? QVariant(item.imageDataSize())
                                           : QVariant(QMetaType::fromType<qint64>()));
    query.addBindValue(pathsValue(item.filePaths()));
    query.addBindValue(optionalText(item.sourceAppBundleId()));
    query.addBindValue(optionalText(item.sourceAppName()));
    query.addBindValue(item.charCount());
    query.addBindValue(item.wordCount());
    query.addBindValue(item.imageWidth());
    query.addBindValue(item.imageHeight());
    query.addBindValue(item.isPinned() ? 1 : 0);
    if (!query.exec())
        return fail(query.lastError(), error);
    if (utf8Text && !writeLongText(item, error))
        return false;
    if (item.m_pendingImageData && !writeImage(item, error))
        return false;
    if (isLongText(item))
        m_textsToFold.insert(item.storedId(), foldSourceOf(item));
    return true;
}

bool ModelContext::writeLongText(const ClipboardItem &item, QString *error)
{
    // Through SQLite itself: Qt hands bytes over as a blob SQLite does not know to end in a NUL,
    // and the prefix index would make it copy the whole text to add one. A QByteArray always
    // ends in a NUL, so a text without one inside is handed over as terminated, never copied;
    // the record SQLite builds is then the only other copy of it.
    const QVariant handle = m_container->database().driver()->handle();
    sqlite3 *connection = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.constData()) : nullptr;
    if (!connection) {
        *error = QStringLiteral("the history is not open");
        return false;
    }
    sqlite3_stmt *update = nullptr;
    const auto finalize = qScopeGuard([&update] { sqlite3_finalize(update); });
    const QByteArray &text = item.m_pendingTextUtf8;
    const QByteArray id = item.storedId().toUtf8();
    const bool terminated = !std::memchr(text.constData(), 0, size_t(text.size()));
    int code = sqlite3_prepare_v2(connection, "UPDATE ClipboardItem SET textContent = ?1 WHERE id = ?2", -1, &update, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_bind_text(update, 1, text.constData(), terminated ? -1 : int(text.size()), SQLITE_STATIC);
    if (code == SQLITE_OK)
        code = sqlite3_bind_text(update, 2, id.constData(), int(id.size()), SQLITE_STATIC);
    if (code == SQLITE_OK)
        code = sqlite3_step(update);
    if (code == SQLITE_DONE)
        return true;
    *error = QString::fromUtf8(sqlite3_errstr(code));
    m_failureCode = code;
    return false;
}

bool ModelContext::writeUpdate(const ClipboardItem &item, QString *error)
{
    const unsigned changed = item.changedFields();
    QStringList assignments;
    QVariantList values;
    auto set = [&](ClipboardItem::Field field, const char *column, const QVariant &value) {
        if (changed & field) {
            assignments << QString::fromLatin1(column) + QStringLiteral(" = ?");
            values << value;
        }
    };
    set(ClipboardItem::CreatedAtField, "createdAt", item.createdAt().toMSecsSinceEpoch());
    set(ClipboardItem::CopiedAtField, "copiedAt", item.copiedAt().toMSecsSinceEpoch());
    set(ClipboardItem::ContentTypeField, "contentType", item.contentType());
    if (item.m_pendingTextUtf8.isNull())
        set(ClipboardItem::TextContentField, "textContent", optionalText(item.m_textContent));
    set(ClipboardItem::ImageDataField, "imageData",
        item.hasImageData() ? QVariant(item.imageDataSize()) : QVariant(QMetaType::fromType<qint64>()));
    set(ClipboardItem::FilePathsField, "filePaths", pathsValue(item.filePaths()));
    set(ClipboardItem::SourceAppBundleIdField, "sourceAppBundleId", optionalText(item.sourceAppBundleId()));
    set(ClipboardItem::SourceAppNameField, "sourceAppName", optionalText(item.sourceAppName()));
    set(ClipboardItem::CharCountField, "charCount", item.charCount());
    set(ClipboardItem::WordCountField, "wordCount", item.wordCount());
    set(ClipboardItem::ImageWidthField, "imageWidth", item.imageWidth());
    set(ClipboardItem::ImageHeightField, "imageHeight", item.imageHeight());
    set(ClipboardItem::IsPinnedField, "isPinned", item.isPinned() ? 1 : 0);
    const bool longText = (changed & ClipboardItem::TextContentField) && !item.m_pendingTextUtf8.isNull();
    if (assignments.isEmpty() && !longText)
        return true;

    if (!assignments.isEmpty()) {
        QSqlQuery &query = statement(QStringLiteral("UPDATE ClipboardItem SET %1 WHERE id = ?")
                          .arg(assignments.join(QStringLiteral(", "))));
        const auto unbind = qScopeGuard([this, &query] { releaseBindings(query); });
        for (const QVariant &value : std::as_const(values))
            query.addBindValue(value);
        query.addBindValue(item.storedId());
        if (!query.exec())
            return fail(query.lastError(), error);
    }
    if (longText && !writeLongText(item, error))
        return false;
    if (changed & ClipboardItem::TextContentField) {
        m_foldsUnderWay.remove(item.storedId());
        QSqlQuery &remove = statement(QStringLiteral("DELETE FROM ClipboardItemSearchText WHERE itemId = ?"));
        remove.addBindValue(item.storedId());
        if (!remove.exec())
            return fail(remove.lastError(), error);
        if (isLongText(item))
            m_textsToFold.insert(item.storedId(), foldSourceOf(item));
    }
    if (changed & ClipboardItem::ImageDataField) {
        QSqlQuery &remove = statement(QStringLiteral("DELETE FROM ClipboardItemImageData WHERE itemId = ?"));
        remove.addBindValue(item.storedId());
        if (!remove.exec())
            return fail(remove.lastError(), error);
        return !item.m_pendingImageData || writeImage(item, error);
    }
    return true;
}

bool ModelContext::writeImage(const ClipboardItem &item, QString *error)
{
    QSqlQuery &query = statement(QStringLiteral("INSERT INTO ClipboardItemImageData (itemId, bytes) VALUES (?, ?)"));
    const auto unbind = qScopeGuard([this, &query] { releaseBindings(query); });
    query.addBindValue(item.storedId());
    query.addBindValue(*item.m_pendingImageData);
    if (!query.exec())
        return fail(query.lastError(), error);
    return true;
}

void ModelContext::writeFoldedCopies()
{
    // After the save that stored the texts, so that folding megabytes never delays a capture, and
    // on a thread of its own; until a copy is stored a search folds the text itself.
    const QHash<QString, FoldSource> texts = std::exchange(m_textsToFold, {});
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        const quint64 fold = ++m_foldSerial;
        m_foldsUnderWay.insert(it.key(), fold);
        m_foldPool.start([this, id = it.key(), fold, source = it.value()] {
            const QByteArrayList chunks = source.utf8.isNull() ? foldedChunks(source.text) : foldedChunks(source.utf8);
            QMetaObject::invokeMethod(
                this, [this, id, fold, chunks] { storeFoldedCopy(id, fold, chunks); }, Qt::QueuedConnection);
        });
    }
}

QByteArrayList ModelContext::foldedChunks(const QString &text)
{
    const QLocale locale = SearchText::locale();
    // A slice never ends between the two halves of a surrogate pair.
    const auto boundary = [&text](qsizetype position) {
        position = std::min(position, text.size());
        return position < text.size() && text.at(position).isLowSurrogate() ? position + 1 : position;
    };
    QByteArrayList chunks;
    for (qsizetype start = 0; start < text.size(); start = boundary(start + SearchChunkUnits)) {
        const qsizetype end = boundary(start + SearchChunkUnits + SearchChunkOverlap);
        chunks.append(SearchText::fold(QStringView(text).mid(start, end - start), locale).toUtf8());
    }
    return chunks;
}

QByteArrayList ModelContext::foldedChunks(const QByteArray &utf8)
{
    // The same chunks as from the decoded text, decoded a slice at a time: only the chunk being
    // folded and the next slice are ever held as UTF-16.
    constexpr qsizetype SliceBytes = 32 * 1024;
    const QLocale locale = SearchText::locale();
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString window; // the text from the start of the next chunk on, as far as decoded
    qsizetype decoded = 0;
    QByteArrayList chunks;
    for (;;) {
        while (window.size() <= SearchChunkUnits + SearchChunkOverlap && decoded < utf8.size()) {
            const qsizetype take = std::min(SliceBytes, utf8.size() - decoded);
            window += decoder(QByteArrayView(utf8).sliced(decoded, take));
            decoded += take;
        }
        if (window.isEmpty())
            break;
        const auto boundary = [&window](qsizetype position) {
            position = std::min(position, window.size());
            return position < window.size() && window.at(position).isLowSurrogate() ? position + 1 : position;
        };
        const qsizetype next = boundary(SearchChunkUnits);
        chunks.append(SearchText::fold(QStringView(window).first(boundary(SearchChunkUnits + SearchChunkOverlap)), locale)
                          .toUtf8());
        if (next >= window.size())
            break;
        window.remove(0, next);
    }
    return chunks;
}

void ModelContext::storeFoldedCopy(const QString &id, quint64 fold, const QByteArrayList &chunks)
{
    const auto underWay = m_foldsUnderWay.constFind(id);
    if (underWay == m_foldsUnderWay.cend() || *underWay != fold)
        return; // its text has changed or gone since
    m_foldsUnderWay.erase(underWay);
    qsizetype bytes = 0;
    for (const QByteArray &chunk : chunks)
        bytes += chunk.size();
#ifdef __GLIBC__
    // The chunks are many small allocations, which the allocator would otherwise keep mapped
    // once they go with the call that holds them.
    if (bytes > LargeStatementBytes)
        QMetaObject::invokeMethod(this, [] { ::malloc_trim(0); }, Qt::QueuedConnection);
#endif
    QSqlDatabase db = m_container->database();
    QString error;
    if (!db.transaction()) {
        error = db.lastError().text();
    } else if (writeSearchText(id, chunks, &error) && db.commit()) {
        return;
    } else {
        db.rollback();
    }
    // Searches of that text only stay slower.
    Log::note(QStringLiteral("cannot store the folded copy of a long text: %1").arg(error));
}

bool ModelContext::writeSearchText(const QString &id, const QByteArrayList &chunks, QString *error)
{
    {
        // An older copy goes in any case. The text itself is not compared again: that would
        // read it whole from the store while its folded copy is held too.
        QSqlQuery &check = statement(QStringLiteral("DELETE FROM ClipboardItemSearchText WHERE itemId = ?"));
        check.addBindValue(id);
        if (!check.exec())
            return fail(check.lastError(), error);
        QSqlQuery &current = statement(QStringLiteral("SELECT 1 FROM ClipboardItem WHERE id = ?"));
        current.addBindValue(id);
        if (!current.exec())
            return fail(current.lastError(), error);
        const bool stillStored = current.next();
        current.finish();
        if (!stillStored)
            return true;
    }
    QSqlQuery &query = statement(QStringLiteral("INSERT INTO ClipboardItemSearchText (itemId, chunk, foldedText) VALUES (?, ?, ?)"));
    const auto unbind = qScopeGuard([this, &query] { releaseBindings(query); });
    for (qsizetype chunk = 0; chunk < chunks.size(); ++chunk) {
        query.addBindValue(id);
        query.addBindValue(chunk);
        query.addBindValue(chunks.at(chunk));
        if (!query.exec())
            return fail(query.lastError(), error);
    }
    return true;
}

bool ModelContext::writeDelete(const ClipboardItem &item, QString *error)
{
    // The store's trigger deletes the item's image bytes and folded copy with it.
    QSqlQuery &query = statement(QStringLiteral("DELETE FROM ClipboardItem WHERE id = ?"));
    m_foldsUnderWay.remove(item.storedId());
    query.addBindValue(item.storedId());
    if (!query.exec())
        return fail(query.lastError(), error);
    return true;
}

std::optional<QList<ClipboardItemPtr>> ModelContext::fetch(const FetchDescriptor &descriptor,
                                                           QString *error)
{
    // A long text is read as its beginning only; the record reads the rest when asked. Its bytes
    // are cut, not its characters: SQLite's text functions end a text at its first NUL.
    QStringList columns = StoreSchema::itemColumns();
    columns[4] = QStringLiteral("substr(CAST(textContent AS BLOB), 1, %1)").arg(HeldTextBytes);
    QString sql = QStringLiteral("SELECT %1 FROM ClipboardItem").arg(columns.join(QStringLiteral(", ")));
    // SQLite's substr ends a text at its first NUL, so a text with one in its indexed prefix is
    // never found through the index: such a text is compared whole, byte for byte.
    const bool utf8 = descriptor.textEqualsUtf8.has_value();
    const bool lookup = utf8 || descriptor.textEquals;
    const QString prefix = utf8 ? utf8Prefix(*descriptor.textEqualsUtf8)
                                : lookup ? textPrefix(*descriptor.textEquals) : QString();
    const bool nulInPrefix = lookup && prefix.contains(QChar(u'\0'));
    const QString wanted = utf8 ? QStringLiteral("CAST(? AS TEXT)") : QStringLiteral("?");
    if (nulInPrefix) {
        sql += QStringLiteral(" WHERE contentType = 'text' AND CAST(textContent AS BLOB) = CAST(%1 AS BLOB)").arg(wanted);
    } else if (lookup) {
        // The unary plus keeps SQLite from substituting the text into the prefix expression,
        // which would stop it from using the prefix index and make it read every stored text.
        sql += QStringLiteral(" WHERE contentType = 'text'"
                                    " AND substr(textContent, 1, 64) = ? AND +textContent = %1").arg(wanted);
    }
    if (descriptor.filePathsEqual)
        sql += QStringLiteral(" WHERE contentType = 'file' AND filePaths = ?");
    if (descriptor.sort == FetchDescriptor::Sort::CopiedAtDescending)
        sql += QStringLiteral(" ORDER BY copiedAt DESC");

    QSqlQuery &query = statement(sql);
    const auto unbind = qScopeGuard([this, &query] { releaseBindings(query); });
    if (lookup) {
        if (!nulInPrefix)
            query.addBindValue(prefix);
        query.addBindValue(utf8 ? QVariant(*descriptor.textEqualsUtf8) : QVariant(*descriptor.textEquals));
    }
    if (descriptor.filePathsEqual)
        query.addBindValue(pathsValue(descriptor.filePathsEqual));
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return std::nullopt;
    }

    QList<ClipboardItemPtr> records;
    while (query.next()) {
        ClipboardItemPtr record = recordFromRow(query);
        if (!m_deleted.contains(record))
            records.append(std::move(record));
    }
    const QSqlError failure = query.lastError();
    query.finish(); // a kept statement must not hold its read snapshot
    if (failure.isValid()) {
        if (error)
            *error = failure.text();
        return std::nullopt;
    }

    bool pending = !m_changed.isEmpty();
    for (const ClipboardItemPtr &item : std::as_const(m_inserted)) {
        if (matches(descriptor, *item)) {
            records.append(item);
            pending = true;
        }
    }
    if (pending && descriptor.sort == FetchDescriptor::Sort::CopiedAtDescending)
        std::stable_sort(records.begin(), records.end(), sortsBefore);
    return records;
}

ClipboardItemPtr ModelContext::recordFromRow(const QSqlQuery &query)
{
    const QString storedId = query.value(0).toString();
    const QUuid id = idOfStoredId(storedId);
    if (ClipboardItemPtr known = m_records.value(id).lock())
        return known;

    const QVariant imageSize = query.value(5);
    auto record = std::make_shared<ClipboardItem>(
        id, QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(), Qt::UTC),
        QDateTime::fromMSecsSinceEpoch(query.value(2).toLongLong(), Qt::UTC),
        query.value(3).toString(), heldTextFromValue(query.value(4)), std::nullopt,
        pathsFromValue(query.value(6)), textFromValue(query.value(7)),
        textFromValue(query.value(8)), query.value(9).toLongLong(), query.value(10).toLongLong(),
        query.value(11).toDouble(), query.value(12).toDouble(), query.value(13).toInt() != 0);
    if (idText(id) != storedId)
        record->m_storedId = storedId;
    record->releaseLongText();
    record->m_hasImageData = !imageSize.isNull();
    record->m_imageDataSize = imageSize.toLongLong();
    record->m_context = this;
    if (m_records.size() > 64 && m_records.size() % 1024 == 0)
        forgetExpiredRecords();
    m_records.insert(id, record);
    return record;
}

void ModelContext::forgetExpiredRecords()
{
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (it.value().expired())
            it = m_records.erase(it);
        else
            ++it;
    }
}

std::optional<QByteArray> ModelContext::readImageData(const QString &storedId) const
{
    return m_container->readImageData(storedId);
}

std::optional<QString> ModelContext::readTextContent(const QString &storedId) const
{
    return m_container->readTextContent(storedId);
}

std::optional<QByteArray> ModelContext::readTextContentUtf8(const QString &storedId) const
{
    return m_container->readTextContentUtf8(storedId);
}
