#pragma once

#include "platform/PasteboardSnapshot.h"
#include "platform/ReadAbandonment.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QSocketNotifier;
struct wl_display;
struct wl_proxy;

// The clipboard of the first Wayland seat through the data-control protocol: ext_data_control_v1
// where the compositor offers it, else wlr_data_control_unstable_v1. It keeps a Wayland
// connection of its own, driven only by the thread it lives on, so a read never waits on the
// interface thread, and a read of a selection Kavla owns itself is answered while it waits: the
// read keeps dispatching this connection's events, and each transfer of our own data is written
// on a short thread of its own. An owner that sends nothing costs at most NoProgressTimeoutMs; a
// newer change abandons the read at once.
class WaylandDataControl : public QObject
{
    Q_OBJECT
public:
    static constexpr int NoProgressTimeoutMs = 2000;
    // The types and bytes of one of our own writes, in the order they are offered.
    using Flavours = QList<QPair<QString, QByteArray>>;

    WaylandDataControl();
    ~WaylandDataControl() override;

    // Thread-safe. Reads of generations older than `changeCount` stop as soon as possible and
    // deliver nothing.
    void abandonBefore(qint64 changeCount);
    // Thread-safe. Every read stops and delivers nothing.
    void stop();

    // The rest runs on the object's thread.
    // Connects and takes the current selection as the starting state, never as a change.
    void connectToCompositor();
    void disconnectFromCompositor();
    // Reads the selection current now as generation `changeCount`; emits finished() unless the
    // read was abandoned.
    void read(qint64 changeCount, const FlavourChooser &choose);
    // Makes `flavours` the selection, and the primary selection where the protocol has one (an
    // empty list clears the selection only); its echo is not announced. With `onlyIfEmpty`,
    // only when the compositor has no selection once every event it sent before is in.
    void write(const Flavours &flavours, bool onlyIfEmpty = false);

Q_SIGNALS:
    // The connection is up: `protocol` names the data-control global in use.
    void connected(const QString &protocol);
    // The connection could not be made, or was lost.
    void unavailable(const QString &reason);
    // Another client set the selection, or its owner went away.
    void selectionChanged();
    void finished(const PasteboardSnapshot &snapshot);

public:
    // Event handlers; they are called by the Wayland listeners only.
    void onGlobal(uint32_t name, const char *interface, uint32_t version);
    void onDataOffer(wl_proxy *offer);
    void onOfferType(wl_proxy *offer, const char *mimeType);
    void onSelection(wl_proxy *offer);
    void onPrimarySelection(wl_proxy *offer);
    void onDeviceFinished();
    void onSend(wl_proxy *source, const char *mimeType, int fd);
    void onCancelled(wl_proxy *source);

private:
    enum class Outcome { Read, TimedOut, Broken, Abandoned, TooLarge };

    bool isAbandoned(qint64 changeCount) const;
    void dispatch();
    void fail(const QString &reason);
    // Past `limit` bytes (0: none) stops with TooLarge, `size` then UnknownSize.
    Outcome receive(qint64 changeCount, const QString &mimeType, QByteArray *bytes, qint64 limit = 0,
                    qint64 *size = nullptr);
    void destroyOffer(wl_proxy *offer);

    wl_display *m_display = nullptr;
    wl_proxy *m_registry = nullptr;
    wl_proxy *m_seat = nullptr;
    wl_proxy *m_manager = nullptr;
    wl_proxy *m_device = nullptr;
    bool m_extended = false; // ext_data_control_v1 rather than the wlr protocol
    bool m_lost = false;
    // The globals announced: registry name (0: none) and version.
    uint32_t m_seatGlobal = 0;
    QPair<uint32_t, uint32_t> m_extGlobal = {0, 0};
    QPair<uint32_t, uint32_t> m_wlrGlobal = {0, 0};
    std::unique_ptr<QSocketNotifier> m_notifier;

    // Offers announced but not yet made the selection, with their types.
    QHash<wl_proxy *, QStringList> m_pendingOffers;
    wl_proxy *m_selection = nullptr;
    QStringList m_selectionTypes;
    bool m_selectionIsOurs = false;
    // Grows with every selection event, so a read can tell its offer has been replaced.
    quint64 m_selectionSerial = 0;
    bool m_ownerQuit = false;
    bool m_started = false;
    // Our own sources still alive, each with what it offers; a selection arriving while one is
    // alive is the echo of our own write.
    QHash<wl_proxy *, std::shared_ptr<const Flavours>> m_sources;
    // Our own sources of the primary selection, which our writes set too where the protocol has it.
    QHash<wl_proxy *, std::shared_ptr<const Flavours>> m_primarySources;
    bool m_clearing = false;

    ReadAbandonment m_abandonment;
};
