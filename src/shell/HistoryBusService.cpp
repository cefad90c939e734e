#include "shell/HistoryBusService.h"

#include "history1adaptor.h"
#include "services/HistoryService.h"
#include "services/PasteManager.h"
#include "services/Preferences.h"
#include "shell/ContentStream.h"
#include "shell/EntryReference.h"
#include "shell/HistoryBus.h"
#include "shell/StatusBarController.h"
#include "shell/WindowManager.h"
#include "store/HistoryQueryModel.h"
#include "support/Log.h"
#include "views/popup/HistoryFilter.h"
#include "views/popup/HistoryFilterModel.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUuid>

#include <unistd.h>

namespace {

// RequestName's flag and answer (as the bus defines them).
constexpr uint DoNotQueue = 4;
constexpr uint PrimaryOwner = 1;

QString pasteFailure(PasteManager::Outcome outcome)
{
    switch (outcome) {
    case PasteManager::Outcome::Pasted:
        return {};
    case PasteManager::Outcome::SwitchedOff:
    case PasteManager::Outcome::NoWindow:
        return QStringLiteral("not pasted: no window was in front");
    case PasteManager::Outcome::OwnWindow:
        return QStringLiteral("not pasted: Kavla's own window was in front");
    case PasteManager::Outcome::WindowGone:
        return QStringLiteral("not pasted: the window in front is gone");
    case PasteManager::Outcome::ModifiersHeld:
        return QStringLiteral("not pasted: modifier keys stayed held");
    case PasteManager::Outcome::NotDelivered:
        return QStringLiteral("not pasted: the window in front would not take the keyboard");
    }
    return {};
}

} // namespace

HistoryBusService::HistoryBusService(const Parts &parts, QObject *parent)
    : QObject(parent)
    , m_parts(parts)
    , m_streams(new ContentStream(this))
    , m_pasteConnection(QString())
{
    HistoryBusEntry::registerType();
    new History1Adaptor(this);

    // Listeners hear once of a burst of changes (a clear removes every row).
    m_changed.setSingleShot(true);
    m_changed.setInterval(0);
    connect(&m_changed, &QTimer::timeout, this, &HistoryBusService::Changed);
    HistoryQueryModel *model = m_parts.history->model();
    const auto changed = [this] { m_changed.start(); };
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::rowsMoved, this, changed);
    connect(model, &QAbstractItemModel::dataChanged, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);

    m_pasteGuard.setSingleShot(true);
    m_pasteGuard.setInterval(PasteAnswerMs);
    connect(&m_pasteGuard, &QTimer::timeout, this,
            [this] { answerPastes(false, QStringLiteral("not pasted: the paste did not finish in time")); });
    if (m_parts.paste) {
        connect(m_parts.paste, &PasteManager::finished, this, [this](PasteManager::Outcome outcome) {
            answerPastes(outcome == PasteManager::Outcome::Pasted, pasteFailure(outcome));
        });
    }
}

HistoryBusService::~HistoryBusService()
{
    answerPastes(false, QStringLiteral("not pasted: Kavla is quitting"));
    if (m_exported)
        QDBusConnection::sessionBus().unregisterObject(HistoryBus::ObjectPath);
}

void HistoryBusService::publish()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Log::note(QStringLiteral("no session bus (%1): the kavla commands cannot reach this Kavla")
                      .arg(bus.lastError().message()));
        return;
    }
    if (!m_exported) {
        m_exported = bus.registerObject(HistoryBus::ObjectPath, this, QDBusConnection::ExportAdaptors);
        if (!m_exported) {
            Log::note(QStringLiteral("the object %1 could not be put on the session bus").arg(HistoryBus::ObjectPath));
            return;
        }
    }
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << HistoryBus::ServiceName << DoNotQueue;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            Log::note(QStringLiteral("the session bus refused the name %1: %2")
                          .arg(HistoryBus::ServiceName, reply.error().message()));
        } else if (reply.value() != PrimaryOwner) {
            Log::note(QStringLiteral("the session bus name %1 is another program's: the kavla commands reach that "
                                     "one, not this Kavla")
                          .arg(HistoryBus::ServiceName));
        } else {
            Log::note(QStringLiteral("on the session bus as %1 for the kavla commands").arg(HistoryBus::ServiceName));
        }
    });
}

HistoryBusEntry HistoryBusService::entryAt(int row) const
{
    const ClipboardItemPtr item = m_parts.history->model()->itemAt(row);
    HistoryBusEntry entry;
    entry.index = quint32(row + 1);
    entry.id = item->id().toString(QUuid::WithoutBraces);
    entry.kind = item->contentType();
    entry.title = item->displayTitle();
    entry.application = item->sourceAppName().value_or(QString());
    entry.copiedAt = item->copiedAt().toMSecsSinceEpoch();
    entry.pinned = item->isPinned();
    return entry;
}

QList<HistoryBusEntry> HistoryBusService::entriesOf(const HistoryFilterModel *filter) const
{
    QList<HistoryBusEntry> entries;
    entries.reserve(filter->rowCount());
    for (int row = 0; row < filter->rowCount(); ++row)
        entries.append(entryAt(filter->mapToSource(filter->index(row, 0)).row()));
    return entries;
}

QList<HistoryBusEntry> HistoryBusService::List(const QString &search)
{
    HistoryQueryModel *model = m_parts.history->model();
    const qint64 capacity = m_parts.preferences->maxHistoryCount();
    if (!HistoryFilter::isSearching(search)) {
        QList<HistoryBusEntry> entries;
        for (int row = 0; row < model->rowCount() && HistoryFilter::isWithinCap(row, capacity); ++row)
            entries.append(entryAt(row));
        return entries;
    }
    // The popup's own search: long texts are matched in the store off the interface thread, and
    // the answer waits for them.
    auto *filter = new HistoryFilterModel(model, this);
    filter->setMaxCount(capacity);
    filter->setSearchText(search);
    if (!filter->isSearchPending()) {
        const QList<HistoryBusEntry> entries = entriesOf(filter);
        delete filter;
        return entries;
    }
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    connect(filter, &HistoryFilterModel::searchCompleted, this, [this, filter, call, bus]() mutable {
        bus.send(call.createReply(QVariant::fromValue(entriesOf(filter))));
        filter->deleteLater();
    });
    return {};
}

ClipboardItemPtr HistoryBusService::resolve(const QString &text)
{
    HistoryQueryModel *model = m_parts.history->model();
    QStringList ids;
    ids.reserve(model->rowCount());
    for (int row = 0; row < model->rowCount(); ++row)
        ids.append(model->itemAt(row)->id().toString(QUuid::WithoutBraces));
    EntryReference::Outcome outcome = EntryReference::Outcome::Invalid;
    QString reason;
    const int row = EntryReference::parse(text).rowIn(ids, &outcome, &reason);
    if (row >= 0)
        return model->itemAt(row);
    sendErrorReply(outcome == EntryReference::Outcome::NotFound ? HistoryBus::NotFoundError
                                                               : HistoryBus::InvalidArgumentError,
                   reason);
    return {};
}

QString HistoryBusService::Content(const QString &entry, QStringList &files, QDBusUnixFileDescriptor &data)
{
    const ClipboardItemPtr item = resolve(entry);
    if (!item)
        return {};
    if (!(connection().connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        sendErrorReply(HistoryBus::NotSupportedError,
                       QStringLiteral("this bus connection cannot pass the socket the content is read from"));
        return {};
    }
    QByteArray bytes;
    if (item->isImage())
        bytes = item->imageData().value_or(QByteArray());
    else if (item->hasTextContent())
        bytes = item->textContentUtf8().value_or(QByteArray());
    const int reader = m_streams->start(std::move(bytes), item->isImage());
    if (reader < 0) {
        sendErrorReply(HistoryBus::FailedError, QStringLiteral("no socket could be made for the content"));
        return {};
    }
    // The reply takes a duplicate of the descriptor; this one goes.
    data.setFileDescriptor(reader);
    ::close(reader);
    files = item->filePaths().value_or(QStringList());
    return item->contentType();
}

void HistoryBusService::Copy(const QString &entry)
{
    if (const ClipboardItemPtr item = resolve(entry))
        m_parts.history->copyBack(item);
}

void HistoryBusService::Paste(const QString &entry)
{
    if (!m_parts.paste) {
        sendErrorReply(HistoryBus::NotSupportedError,
                       QStringLiteral("pasting needs X11: on Wayland no application may type into another's window; "
                                      "copy the entry and paste it yourself"));
        return;
    }
    const ClipboardItemPtr item = resolve(entry);
    if (!item)
        return;
    m_parts.history->copyBack(item);
    setDelayedReply(true);
    m_pendingPastes.append(message());
    m_pasteConnection = connection();
    m_pasteGuard.start();
    m_parts.paste->pasteIntoActiveWindow();
}

void HistoryBusService::answerPastes(bool pasted, const QString &reason)
{
    m_pasteGuard.stop();
    const QList<QDBusMessage> pending = std::exchange(m_pendingPastes, {});
    for (const QDBusMessage &call : pending)
        m_pasteConnection.send(pasted ? call.createReply() : call.createErrorReply(HistoryBus::FailedError, reason));
}

void HistoryBusService::SetPinned(const QString &entry, bool pinned)
{
    if (const ClipboardItemPtr item = resolve(entry))
        m_parts.history->setPinned(item, pinned);
}

void HistoryBusService::Delete(const QString &entry)
{
    if (const ClipboardItemPtr item = resolve(entry))
        m_parts.history->remove(item);
}

void HistoryBusService::Clear()
{
    m_parts.history->clear();
}

void HistoryBusService::ShowPopup()
{
    m_parts.statusBar->showPopover();
}

void HistoryBusService::HidePopup()
{
    m_parts.statusBar->closePopover();
}

void HistoryBusService::TogglePopup()
{
    m_parts.statusBar->togglePopover();
}

void HistoryBusService::ShowSettings()
{
    m_parts.windows->openSettings();
}

void HistoryBusService::ShowGuide()
{
    m_parts.windows->openHelp();
}

void HistoryBusService::ShowHistoryWindow()
{
    m_parts.windows->openHistory();
}
