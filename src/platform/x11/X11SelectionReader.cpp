#include "platform/x11/X11SelectionReader.h"

#include "platform/x11/Xcb.h"
#include "support/Log.h"
#include "support/LogCategories.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {

qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

// The text targets, best first; they are all the one type "text/plain".
const QList<QByteArray> TextTargets = {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain",
                                       "STRING", "TEXT"};

bool isPseudoTarget(const QByteArray &name)
{
    return name == "TARGETS" || name == "MULTIPLE" || name == "TIMESTAMP" || name == "SAVE_TARGETS"
        || name == "COMPOUND_TEXT";
}

} // namespace

X11SelectionReader::X11SelectionReader(QObject *parent)
    : QObject(parent)
{
}

X11SelectionReader::~X11SelectionReader()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

void X11SelectionReader::abandonBefore(qint64 changeCount)
{
    m_abandonment.abandonBefore(changeCount);
}

void X11SelectionReader::stop()
{
    m_abandonment.stop();
}

bool X11SelectionReader::isAbandoned(qint64 changeCount) const
{
    return m_abandonment.isAbandoned(changeCount);
}

bool X11SelectionReader::ensureConnection()
{
    if (m_connection || m_connectionFailed)
        return m_connection;
    m_connection = Xcb::connect(&m_root);
    if (!m_connection) {
        m_connectionFailed = true;
        Log::line(QStringLiteral("Clipboard reader: cannot open an X connection of its own"));
        return false;
    }
    m_atoms.setConnection(m_connection);
    m_clipboard = m_atoms.atom("CLIPBOARD");
    m_targets = m_atoms.atom("TARGETS");
    m_incr = m_atoms.atom("INCR");
    m_property = m_atoms.atom("KAVLA_SELECTION");
    return true;
}

uint32_t X11SelectionReader::selectionOwner()
{
    const Xcb::Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    return reply ? reply->owner : uint32_t(XCB_WINDOW_NONE);
}

bool X11SelectionReader::windowExists(uint32_t window)
{
    const Xcb::Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    return bool(reply);
}

xcb_generic_event_t *X11SelectionReader::waitForEvent(qint64 changeCount, qint64 deadlineMs,
                                                      Outcome *outcome)
{
    for (;;) {
        if (isAbandoned(changeCount)) {
            *outcome = Outcome::Abandoned;
            return nullptr;
        }
        if (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            return event;
        if (xcb_connection_has_error(m_connection)) {
            *outcome = Outcome::Broken;
            return nullptr;
        }
        const qint64 remaining = deadlineMs - nowMs();
        if (remaining <= 0) {
            *outcome = Outcome::TimedOut;
            return nullptr;
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0}, {m_abandonment.wakeFd(), POLLIN, 0}};
        if (::poll(fds, 2, int(remaining)) > 0 && (fds[1].revents & POLLIN)) {
            if (!m_abandonment.clearWake())
                continue;
        }
    }
}

X11SelectionReader::Outcome X11SelectionReader::readProperty(uint32_t window, QByteArray *bytes,
                                                             uint32_t *type)
{
    bytes->clear();
    uint32_t offset = 0; // in 32-bit units
    for (;;) {
        const Xcb::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, m_property, XCB_GET_PROPERTY_TYPE_ANY, offset,
                             0x3fffffff),
            nullptr));
        if (!reply)
            return Outcome::Broken;
        *type = reply->type;
        const int length = xcb_get_property_value_length(reply.get());
        bytes->append(static_cast<const char *>(xcb_get_property_value(reply.get())), length);
        if (reply->bytes_after == 0 || length <= 0)
            break;
        offset += uint32_t(length / 4);
    }
    // Deleting the property is also what asks an INCR owner for its next chunk.
    xcb_delete_property(m_connection, window, m_property);
    xcb_flush(m_connection);
    return Outcome::Read;
}

X11SelectionReader::Outcome X11SelectionReader::transfer(qint64 changeCount, uint32_t window,
                                                         uint32_t target, QByteArray *bytes,
                                                         uint32_t *type, qint64 limit, qint64 *size)
{
    const auto tooLarge = [bytes, size](qint64 known) {
        if (size)
            *size = known;
        *bytes = QByteArray();
        return Outcome::TooLarge;
    };
    xcb_convert_selection(m_connection, window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    qint64 deadline = nowMs() + NoProgressTimeoutMs;
    Outcome outcome = Outcome::Read;
    for (;;) {
        xcb_generic_event_t *event = waitForEvent(changeCount, deadline, &outcome);
        if (!event)
            return outcome;
        const Xcb::Reply<xcb_generic_event_t> owned(event);
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            continue;
        const auto *notify = reinterpret_cast<const xcb_selection_notify_event_t *>(event);
        if (notify->requestor != window || notify->target != target)
            continue;
        if (notify->property == XCB_ATOM_NONE)
            return Outcome::Refused;
        break;
    }
    outcome = readProperty(window, bytes, type);
    if (outcome != Outcome::Read)
        return outcome;
    if (*type != m_incr)
        return limit > 0 && bytes->size() > limit ? tooLarge(bytes->size()) : outcome;

    // An incremental transfer: chunks arrive one per new value of the property, until an empty
    // one. Each chunk restarts the wait, so a slow but steady owner is never cut off. The owner
    // announces a lower bound of the size, which saves growing the buffer step by step.
    uint32_t announced = 0;
    if (bytes->size() >= qsizetype(sizeof announced))
        std::memcpy(&announced, bytes->constData(), sizeof announced);
    // A transfer announced larger than the limit is not read at all.
    if (limit > 0 && qint64(announced) > limit)
        return tooLarge(announced);
    bytes->clear();
    bytes->reserve(qsizetype(std::min<qint64>(announced, limit > 0 ? limit : 256 * 1024 * 1024)));
    QByteArray chunk;
    deadline = nowMs() + NoProgressTimeoutMs;
    for (;;) {
        xcb_generic_event_t *event = waitForEvent(changeCount, deadline, &outcome);
        if (!event)
            return outcome;
        const Xcb::Reply<xcb_generic_event_t> owned(event);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (change->window != window || change->atom != m_property
            || change->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        uint32_t chunkType = XCB_ATOM_NONE;
        outcome = readProperty(window, &chunk, &chunkType);
        if (outcome != Outcome::Read)
            return outcome;
        if (chunk.isEmpty()) {
            *type = chunkType;
            return Outcome::Read;
        }
        // One that announced less than it sends, or nothing (xclip), stops as soon as it passes
        // the limit, its size unknown.
        if (limit > 0 && bytes->size() + chunk.size() > limit)
            return tooLarge(PasteboardSnapshot::UnknownSize);
        bytes->append(chunk);
        deadline = nowMs() + NoProgressTimeoutMs;
    }
}

void X11SelectionReader::read(qint64 changeCount, const FlavourChooser &choose)
{
    if (isAbandoned(changeCount))
        return;
    if (!ensureConnection()) {
        Q_EMIT finished(PasteboardSnapshot(changeCount, {}, {}, false));
        return;
    }

    // A requestor window per read: whatever an abandoned owner still sends goes to a window
    // that no longer exists.
    const uint32_t window = xcb_generate_id(m_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    struct WindowGuard
    {
        xcb_connection_t *connection;
        uint32_t window;
        ~WindowGuard()
        {
            xcb_destroy_window(connection, window);
            xcb_flush(connection);
        }
    } guard{m_connection, window};

    // An empty clipboard: say whether the owner of the generation read before quit, or cleared
    // the clipboard itself and is still there.
    const uint32_t owner = selectionOwner();
    const uint32_t previousOwner = std::exchange(m_lastOwner, owner);
    if (owner == XCB_WINDOW_NONE) {
        PasteboardSnapshot empty(changeCount, {}, {}, true);
        empty.setOwnerQuit(previousOwner != XCB_WINDOW_NONE && !windowExists(previousOwner));
        Q_EMIT finished(empty);
        return;
    }

    QByteArray bytes;
    uint32_t type = XCB_ATOM_NONE;
    Outcome outcome = transfer(changeCount, window, m_targets, &bytes, &type);
    if (outcome == Outcome::Abandoned) {
        qCDebug(lcPlatform) << "X11 clipboard read of copy" << changeCount << "abandoned: a newer copy came";
        return;
    }
    if (outcome == Outcome::TimedOut || outcome == Outcome::Broken) {
        qCDebug(lcPlatform) << "X11 clipboard owner of copy" << changeCount
                            << (outcome == Outcome::TimedOut ? "did not answer in time" : "broke off the transfer");
        Q_EMIT finished(PasteboardSnapshot(changeCount, {}, {}, false));
        return;
    }

    // The offered types, and the target each is read through.
    QStringList types;
    QHash<QString, QByteArray> targetOf;
    if (outcome == Outcome::Read) {
        QList<uint32_t> atoms(bytes.size() / qsizetype(sizeof(uint32_t)));
        std::memcpy(atoms.data(), bytes.constData(), size_t(atoms.size()) * sizeof(uint32_t));
        const QList<QByteArray> names = m_atoms.names(atoms);
        for (const QByteArray &name : names) {
            if (name.isEmpty() || isPseudoTarget(name))
                continue;
            const bool text = TextTargets.contains(name);
            const QString mime = text ? QStringLiteral("text/plain") : QString::fromUtf8(name);
            if (!types.contains(mime))
                types << mime;
            const QByteArray current = targetOf.value(mime);
            if (current.isEmpty() || (text && TextTargets.indexOf(name) < TextTargets.indexOf(current)))
                targetOf.insert(mime, name);
        }
    }

    const PasteboardRequest request = choose(types);
    QHash<QString, QByteArray> flavours;
    QHash<QString, qint64> oversized;
    QHash<QString, QByteArray> charsets;
    bool complete = true;
    const auto readFlavour = [&](const QString &mime) {
        if (!types.contains(mime))
            return false;
        const uint32_t target = m_atoms.atom(targetOf.value(mime));
        QByteArray value;
        uint32_t valueType = XCB_ATOM_NONE;
        const qint64 limit = request.imageFlavours.contains(mime) ? request.imageByteLimit : request.flavourByteLimit;
        qint64 size = 0;
        outcome = transfer(changeCount, window, target, &value, &valueType, mime == request.stopFlavour ? 0 : limit, &size);
        if (outcome == Outcome::TooLarge) {
            oversized.insert(mime, size);
            outcome = Outcome::Read;
            return false;
        }
        if (outcome == Outcome::Refused)
            return false;
        if (outcome != Outcome::Read) {
            complete = false;
            return false;
        }
        // Text keeps its bytes; the classification decodes them by the charset declared.
        const QByteArray charset = PasteboardSnapshot::declaredCharset(
            valueType == XCB_ATOM_STRING ? QByteArrayLiteral("STRING") : targetOf.value(mime));
        if (charset != "UTF-8")
            charsets.insert(mime, charset);
        flavours.insert(mime, std::move(value));
        return true;
    };
    if (!request.stopFlavour.isEmpty() && readFlavour(request.stopFlavour)
        && !flavours.value(request.stopFlavour).isEmpty()) {
        Q_EMIT finished(PasteboardSnapshot(changeCount, types, std::move(flavours), complete));
        return;
    }
    for (const QString &mime : request.flavours) {
        if (!complete)
            break;
        readFlavour(mime);
        if (!complete)
            break;
    }
    for (const QString &mime : request.imageFlavours) {
        if (!complete)
            break;
        if (readFlavour(mime) && PasteboardSnapshot::looksLikeImage(flavours.value(mime)))
            break;
    }
    if (outcome == Outcome::Abandoned)
        return;
    qCDebug(lcPlatform).noquote() << "X11 clipboard copy" << changeCount << "offers" << types.join(QStringLiteral(", "))
                                  << "; read" << flavours.keys().join(QStringLiteral(", "))
                                  << (complete ? QString() : QStringLiteral("(incomplete)"));
    PasteboardSnapshot snapshot(changeCount, types, std::move(flavours), complete);
    snapshot.setOversized(std::move(oversized));
    for (auto it = charsets.cbegin(); it != charsets.cend(); ++it)
        snapshot.setCharset(it.key(), it.value());
    Q_EMIT finished(snapshot);
}
