#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

#include <cstdint>
#include <cstdlib>
#include <memory>

struct xcb_connection_t;

// What every X11 part of Kavla needs of xcb: replies freed by their owner, atoms interned once,
// and window properties read whole.
namespace Xcb {

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};
// An xcb reply, which the caller frees; null when the request failed.
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// The atoms of one connection, interned when first asked for and remembered with their names.
class Atoms
{
public:
    explicit Atoms(xcb_connection_t *connection = nullptr)
        : m_connection(connection)
    {
    }
    void setConnection(xcb_connection_t *connection) { m_connection = connection; }

    // XCB_ATOM_NONE when the server could not intern it (then asked again next time).
    uint32_t atom(const QByteArray &name);
    // The names of `atoms`, those not known yet asked for all at once: one round trip.
    QList<QByteArray> names(const QList<uint32_t> &atoms);

private:
    xcb_connection_t *m_connection;
    QHash<QByteArray, uint32_t> m_atoms;
    QHash<uint32_t, QByteArray> m_names;
};

// A connection of the caller's own to the session's display, for work that must not share Qt's,
// and the root window of its screen; null when the display refused it. The caller disconnects it.
xcb_connection_t *connect(uint32_t *root);

// The value of `property` of `window` when it is of `type`, at most `maxBytes` of it; empty when
// the window has none.
QByteArray property(xcb_connection_t *connection, uint32_t window, uint32_t property, uint32_t type,
                    uint32_t maxBytes = 4096);
// A property holding window ids (_NET_ACTIVE_WINDOW, _NET_CLIENT_LIST).
QList<uint32_t> windows(xcb_connection_t *connection, uint32_t window, uint32_t property);

} // namespace Xcb
