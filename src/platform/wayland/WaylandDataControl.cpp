#include "platform/wayland/WaylandDataControl.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

// ext_data_control_v1 is the wlr protocol adopted unchanged under a new name: the same requests
// and events in the same order. One set of listeners and requests serves both; only the
// interfaces of the objects a request creates differ.
static_assert(EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_DESTROY == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_DESTROY == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(EXT_DATA_CONTROL_OFFER_V1_DESTROY == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);
static_assert(offsetof(ext_data_control_device_v1_listener, selection)
              == offsetof(zwlr_data_control_device_v1_listener, selection));
static_assert(offsetof(ext_data_control_device_v1_listener, primary_selection)
              == offsetof(zwlr_data_control_device_v1_listener, primary_selection));
static_assert(offsetof(ext_data_control_source_v1_listener, cancelled)
              == offsetof(zwlr_data_control_source_v1_listener, cancelled));

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

// The text types, best first; they are all the one type "text/plain" (UTF-8).
const QList<QByteArray> TextTypes = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING",
                                     "TEXT"};

WaylandDataControl *self(void *data) { return static_cast<WaylandDataControl *>(data); }

void registryGlobal(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version)
{
    self(data)->onGlobal(name, interface, version);
}
void registryGlobalRemove(void *, wl_registry *, uint32_t) {}
const wl_registry_listener RegistryListener = {registryGlobal, registryGlobalRemove};

void offerType(void *data, zwlr_data_control_offer_v1 *offer, const char *mimeType)
{
    self(data)->onOfferType(reinterpret_cast<wl_proxy *>(offer), mimeType);
}
const zwlr_data_control_offer_v1_listener OfferListener = {offerType};

void deviceDataOffer(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    self(data)->onDataOffer(reinterpret_cast<wl_proxy *>(offer));
}
void deviceSelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    self(data)->onSelection(reinterpret_cast<wl_proxy *>(offer));
}
void deviceFinished(void *data, zwlr_data_control_device_v1 *)
{
    self(data)->onDeviceFinished();
}
void devicePrimarySelection(void *data, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *offer)
{
    self(data)->onPrimarySelection(reinterpret_cast<wl_proxy *>(offer));
}
const zwlr_data_control_device_v1_listener DeviceListener = {deviceDataOffer, deviceSelection,
                                                             deviceFinished, devicePrimarySelection};

void sourceSend(void *data, zwlr_data_control_source_v1 *source, const char *mimeType, int32_t fd)
{
    self(data)->onSend(reinterpret_cast<wl_proxy *>(source), mimeType, fd);
}
void sourceCancelled(void *data, zwlr_data_control_source_v1 *source)
{
    self(data)->onCancelled(reinterpret_cast<wl_proxy *>(source));
}
const zwlr_data_control_source_v1_listener SourceListener = {sourceSend, sourceCancelled};

template<typename Listener>
void listen(wl_proxy *proxy, const Listener &listener, void *data)
{
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<Listener *>(&listener)), data);
}

// Requests that create no object are the same for both protocols.
void destroyProxy(wl_proxy *proxy, uint32_t opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

// Writes one transfer of our own data and closes its end. The reader may be slow; one that stops
// reading for NoProgressTimeoutMs is given up.
void writeTransfer(int fd, QByteArray bytes)
{
    // A reader that goes away must not end this process with SIGPIPE.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (count > 0) {
            written += count;
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            break;
        pollfd writable = {fd, POLLOUT, 0};
        if (::poll(&writable, 1, WaylandDataControl::NoProgressTimeoutMs) <= 0)
            break;
    }
    ::close(fd);
}

} // namespace

WaylandDataControl::WaylandDataControl() = default;

WaylandDataControl::~WaylandDataControl()
{
    disconnectFromCompositor();
}

void WaylandDataControl::abandonBefore(qint64 changeCount)
{
    m_abandonment.abandonBefore(changeCount);
}

void WaylandDataControl::stop()
{
    m_abandonment.stop();
}

bool WaylandDataControl::isAbandoned(qint64 changeCount) const
{
    return m_abandonment.isAbandoned(changeCount);
}

void WaylandDataControl::connectToCompositor()
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        Q_EMIT unavailable(QStringLiteral("cannot connect to the Wayland compositor"));
        return;
    }
    m_registry = reinterpret_cast<wl_proxy *>(wl_display_get_registry(m_display));
    listen(m_registry, RegistryListener, this);
    wl_display_roundtrip(m_display);
    if ((m_extGlobal.first == 0 && m_wlrGlobal.first == 0) || m_seatGlobal == 0) {
        const QString reason = m_seatGlobal == 0
            ? QStringLiteral("the Wayland compositor has no seat")
            : QStringLiteral("the Wayland compositor offers no data-control protocol");
        disconnectFromCompositor();
        Q_EMIT unavailable(reason);
        return;
    }
    auto *registry = reinterpret_cast<wl_registry *>(m_registry);
    m_seat = static_cast<wl_proxy *>(wl_registry_bind(registry, m_seatGlobal, &wl_seat_interface, 1));
    m_extended = m_extGlobal.first != 0;
    if (m_extended)
        m_manager = static_cast<wl_proxy *>(
            wl_registry_bind(registry, m_extGlobal.first, &ext_data_control_manager_v1_interface, 1));
    else
        m_manager = static_cast<wl_proxy *>(wl_registry_bind(
            registry, m_wlrGlobal.first, &zwlr_data_control_manager_v1_interface, std::min(m_wlrGlobal.second, 2u)));
    m_device = static_cast<wl_proxy *>(wl_proxy_marshal_flags(
        m_manager, ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE,
        m_extended ? &ext_data_control_device_v1_interface : &zwlr_data_control_device_v1_interface,
        wl_proxy_get_version(m_manager), 0, nullptr, m_seat));
    listen(m_device, DeviceListener, this);
    // The device answers with the current selection: the starting state.
    wl_display_roundtrip(m_display);
    m_started = true;
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &WaylandDataControl::dispatch);
    Q_EMIT connected(QString::fromLatin1(m_extended ? ext_data_control_manager_v1_interface.name
                                                    : zwlr_data_control_manager_v1_interface.name));
}

void WaylandDataControl::disconnectFromCompositor()
{
    m_notifier.reset();
    if (!m_display)
        return;
    for (wl_proxy *offer : m_pendingOffers.keys())
        destroyOffer(offer);
    m_pendingOffers.clear();
    if (m_selection)
        destroyOffer(std::exchange(m_selection, nullptr));
    for (wl_proxy *source : m_sources.keys() + m_primarySources.keys())
        destroyProxy(source, ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
    m_sources.clear();
    m_primarySources.clear();
    if (m_device)
        destroyProxy(std::exchange(m_device, nullptr), ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
    if (m_manager)
        destroyProxy(std::exchange(m_manager, nullptr), ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
    if (m_seat)
        wl_proxy_destroy(std::exchange(m_seat, nullptr));
    if (m_registry)
        wl_proxy_destroy(std::exchange(m_registry, nullptr));
    wl_display_flush(m_display);
    wl_display_disconnect(std::exchange(m_display, nullptr));
}

void WaylandDataControl::fail(const QString &reason)
{
    // A lost connection stays lost: every later read answers at once with nothing.
    if (m_lost)
        return;
    m_lost = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    Q_EMIT unavailable(reason);
}

void WaylandDataControl::dispatch()
{
    if (m_lost)
        return;
    if (wl_display_prepare_read(m_display) == 0)
        wl_display_read_events(m_display);
    if (wl_display_dispatch_pending(m_display) < 0 || wl_display_flush(m_display) < 0)
        fail(QStringLiteral("the connection to the Wayland compositor was lost (error %1)")
                 .arg(wl_display_get_error(m_display)));
}

void WaylandDataControl::onGlobal(uint32_t name, const char *interface, uint32_t version)
{
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && m_seatGlobal == 0)
        m_seatGlobal = name;
    else if (std::strcmp(interface, ext_data_control_manager_v1_interface.name) == 0)
        m_extGlobal = {name, version};
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        m_wlrGlobal = {name, version};
}

void WaylandDataControl::onDataOffer(wl_proxy *offer)
{
    m_pendingOffers.insert(offer, {});
    listen(offer, OfferListener, this);
}

void WaylandDataControl::onOfferType(wl_proxy *offer, const char *mimeType)
{
    const auto pending = m_pendingOffers.find(offer);
    if (pending != m_pendingOffers.end())
        pending->append(QString::fromUtf8(mimeType));
}

void WaylandDataControl::destroyOffer(wl_proxy *offer)
{
    destroyProxy(offer, ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);
}

void WaylandDataControl::onSelection(wl_proxy *offer)
{
    const bool ours = !m_sources.isEmpty() || (offer == nullptr && m_clearing);
    m_clearing = false;
    const bool hadOutsideContents = m_selection && !m_selectionIsOurs;
    if (m_selection)
        destroyOffer(m_selection);
    m_selection = offer;
    m_selectionTypes = offer ? m_pendingOffers.take(offer) : QStringList();
    m_selectionIsOurs = ours;
    ++m_selectionSerial;
    // Wayland clears the selection when its owner goes away; a client clearing it on purpose
    // is rare and looks the same.
    m_ownerQuit = offer == nullptr && hadOutsideContents;
    if (m_started && !ours)
        Q_EMIT selectionChanged();
}

void WaylandDataControl::onPrimarySelection(wl_proxy *offer)
{
    // Only the clipboard is kept in the history.
    if (offer) {
        m_pendingOffers.remove(offer);
        destroyOffer(offer);
    }
}

void WaylandDataControl::onDeviceFinished()
{
    destroyProxy(std::exchange(m_device, nullptr), ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
    fail(QStringLiteral("the Wayland compositor withdrew the clipboard device"));
}

void WaylandDataControl::onSend(wl_proxy *source, const char *mimeType, int fd)
{
    QByteArray bytes;
    std::shared_ptr<const Flavours> flavours = m_sources.value(source);
    if (!flavours)
        flavours = m_primarySources.value(source);
    if (flavours) {
        const QString type = QString::fromUtf8(mimeType);
        for (const auto &[name, value] : *flavours) {
            if (name == type) {
                bytes = value;
                break;
            }
        }
    }
    std::thread(writeTransfer, fd, std::move(bytes)).detach();
}

void WaylandDataControl::onCancelled(wl_proxy *source)
{
    m_sources.remove(source);
    m_primarySources.remove(source);
    destroyProxy(source, ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
}

void WaylandDataControl::write(const Flavours &flavours, bool onlyIfEmpty)
{
    if (!m_device || m_lost)
        return;
    if (onlyIfEmpty) {
        // A round trip: every selection event the compositor sent before it has arrived.
        if (wl_display_roundtrip(m_display) < 0) {
            fail(QStringLiteral("the connection to the Wayland compositor was lost (error %1)")
                     .arg(wl_display_get_error(m_display)));
            return;
        }
        if (m_selection)
            return;
    }
    if (flavours.isEmpty()) {
        m_clearing = true;
        wl_proxy_marshal_flags(m_device, ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr,
                               wl_proxy_get_version(m_device), 0, nullptr);
        wl_display_flush(m_display);
        return;
    }
    const auto shared = std::make_shared<const Flavours>(flavours);
    const auto createSource = [&] {
        auto *source = static_cast<wl_proxy *>(wl_proxy_marshal_flags(
            m_manager, ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE,
            m_extended ? &ext_data_control_source_v1_interface : &zwlr_data_control_source_v1_interface,
            wl_proxy_get_version(m_manager), 0, nullptr));
        listen(source, SourceListener, this);
        for (const auto &flavour : flavours)
            wl_proxy_marshal_flags(source, ZWLR_DATA_CONTROL_SOURCE_V1_OFFER, nullptr,
                                   wl_proxy_get_version(source), 0, flavour.first.toUtf8().constData());
        return source;
    };
    wl_proxy *source = createSource();
    m_sources.insert(source, shared);
    wl_proxy_marshal_flags(m_device, ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr,
                           wl_proxy_get_version(m_device), 0, source);
    // What is put back is also what a middle click pastes, where the protocol has the primary
    // selection (ext, and wlr from version 2); a source serves one selection only.
    if (m_extended || wl_proxy_get_version(m_device) >= ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION_SINCE_VERSION) {
        wl_proxy *primary = createSource();
        m_primarySources.insert(primary, shared);
        wl_proxy_marshal_flags(m_device, ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION, nullptr,
                               wl_proxy_get_version(m_device), 0, primary);
    }
    wl_display_flush(m_display);
}

WaylandDataControl::Outcome WaylandDataControl::receive(qint64 changeCount, const QString &mimeType,
                                                        QByteArray *bytes, qint64 limit, qint64 *size)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return Outcome::Broken;
    ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    wl_proxy_marshal_flags(m_selection, ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE, nullptr,
                           wl_proxy_get_version(m_selection), 0, mimeType.toUtf8().constData(), pipeFds[1]);
    ::close(pipeFds[1]);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{pipeFds[0]};

    const quint64 serial = m_selectionSerial;
    bytes->clear();
    qint64 deadline = nowMs() + NoProgressTimeoutMs;
    char buffer[64 * 1024];
    for (;;) {
        if (isAbandoned(changeCount) || m_selectionSerial != serial)
            return Outcome::Abandoned;
        // Our own connection's events go on being dispatched: when the selection is ours, the
        // request to send it arrives here.
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return Outcome::Broken;
        }
        wl_display_flush(m_display);
        const qint64 remaining = deadline - nowMs();
        if (remaining <= 0) {
            wl_display_cancel_read(m_display);
            return Outcome::TimedOut;
        }
        pollfd fds[3] = {{pipeFds[0], POLLIN, 0}, {wl_display_get_fd(m_display), POLLIN, 0},
                         {m_abandonment.wakeFd(), POLLIN, 0}};
        if (::poll(fds, 3, int(remaining)) < 0 && errno != EINTR) {
            wl_display_cancel_read(m_display);
            return Outcome::Broken;
        }
        if (fds[1].revents & POLLIN) {
            if (wl_display_read_events(m_display) < 0)
                return Outcome::Broken;
        } else {
            wl_display_cancel_read(m_display);
        }
        if (wl_display_dispatch_pending(m_display) < 0)
            return Outcome::Broken;
        if (fds[2].revents & POLLIN) {
            if (!m_abandonment.clearWake())
                return Outcome::Broken;
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        for (;;) {
            const ssize_t count = ::read(pipeFds[0], buffer, sizeof buffer);
            if (count > 0) {
                // Read no further than the limit: what is over it is not kept, and a pipe does
                // not say how much more there is.
                if (limit > 0 && bytes->size() + count > limit) {
                    if (size)
                        *size = PasteboardSnapshot::UnknownSize;
                    *bytes = QByteArray();
                    return Outcome::TooLarge;
                }
                bytes->append(buffer, count);
                deadline = nowMs() + NoProgressTimeoutMs;
                continue;
            }
            if (count == 0)
                return m_selectionSerial == serial ? Outcome::Read : Outcome::Abandoned;
            if (errno == EAGAIN || errno == EINTR)
                break;
            return Outcome::Broken;
        }
    }
}

void WaylandDataControl::read(qint64 changeCount, const FlavourChooser &choose)
{
    if (isAbandoned(changeCount))
        return;
    if (!m_device || m_lost) {
        Q_EMIT finished(PasteboardSnapshot(changeCount, {}, {}, false));
        return;
    }
    // Events that arrived since the last dispatch first: the read is of the selection current now.
    dispatch();
    if (m_lost) {
        Q_EMIT finished(PasteboardSnapshot(changeCount, {}, {}, false));
        return;
    }
    if (!m_selection) {
        PasteboardSnapshot empty(changeCount, {}, {}, true);
        empty.setOwnerQuit(m_ownerQuit);
        Q_EMIT finished(empty);
        return;
    }

    // The offered types, and the type each is read through.
    QStringList types;
    QHash<QString, QString> sourceTypeOf;
    for (const QString &offered : std::as_const(m_selectionTypes)) {
        const qsizetype textRank = TextTypes.indexOf(offered.toUtf8());
        const QString type = textRank >= 0 ? QStringLiteral("text/plain") : offered;
        if (!types.contains(type))
            types << type;
        const QString current = sourceTypeOf.value(type);
        if (current.isEmpty() || (textRank >= 0 && textRank < TextTypes.indexOf(current.toUtf8())))
            sourceTypeOf.insert(type, offered);
    }

    const PasteboardRequest request = choose(types);
    QHash<QString, QByteArray> flavours;
    QHash<QString, qint64> oversized;
    QHash<QString, QByteArray> charsets;
    Outcome outcome = Outcome::Read;
    const auto readFlavour = [&](const QString &type) {
        if (!types.contains(type) || outcome != Outcome::Read)
            return false;
        QByteArray value;
        const QString sourceType = sourceTypeOf.value(type);
        const qint64 limit = type == request.stopFlavour ? 0
            : request.imageFlavours.contains(type)        ? request.imageByteLimit
                                                           : request.flavourByteLimit;
        qint64 size = 0;
        outcome = receive(changeCount, sourceType, &value, limit, &size);
        if (outcome == Outcome::TooLarge) {
            oversized.insert(type, size);
            outcome = Outcome::Read;
            return false;
        }
        if (outcome != Outcome::Read)
            return false;
        // Text keeps its bytes; the classification decodes them by the charset declared.
        if (const QByteArray charset = PasteboardSnapshot::declaredCharset(sourceType.toUtf8()); charset != "UTF-8")
            charsets.insert(type, charset);
        flavours.insert(type, value);
        return true;
    };
    const bool stopped = !request.stopFlavour.isEmpty() && readFlavour(request.stopFlavour)
        && !flavours.value(request.stopFlavour).isEmpty();
    if (!stopped) {
        for (const QString &type : request.flavours)
            readFlavour(type);
        for (const QString &type : request.imageFlavours) {
            if (readFlavour(type) && PasteboardSnapshot::looksLikeImage(flavours.value(type)))
                break;
        }
    }
    if (outcome == Outcome::Abandoned || isAbandoned(changeCount))
        return;
    if (outcome == Outcome::Broken && wl_display_get_error(m_display) != 0)
        fail(QStringLiteral("the connection to the Wayland compositor was lost (error %1)")
                 .arg(wl_display_get_error(m_display)));
    PasteboardSnapshot snapshot(changeCount, types, std::move(flavours), outcome == Outcome::Read);
    snapshot.setOversized(std::move(oversized));
    for (auto it = charsets.cbegin(); it != charsets.cend(); ++it)
        snapshot.setCharset(it.key(), it.value());
    Q_EMIT finished(snapshot);
}
