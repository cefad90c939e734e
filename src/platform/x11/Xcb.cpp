#include "platform/x11/Xcb.h"

#include <xcb/xcb.h>

namespace Xcb {

uint32_t Atoms::atom(const QByteArray &name)
{
    const auto known = m_atoms.constFind(name);
    if (known != m_atoms.constEnd())
        return *known;
    if (!m_connection)
        return XCB_ATOM_NONE;
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData()), nullptr));
    const uint32_t value = reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
    if (value != XCB_ATOM_NONE) {
        m_atoms.insert(name, value);
        m_names.insert(value, name);
    }
    return value;
}

QList<QByteArray> Atoms::names(const QList<uint32_t> &atoms)
{
    QList<xcb_get_atom_name_cookie_t> cookies;
    QList<uint32_t> asked;
    for (const uint32_t value : atoms) {
        if (!m_names.contains(value) && !asked.contains(value)) {
            asked << value;
            cookies << xcb_get_atom_name(m_connection, value);
        }
    }
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        const Reply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(m_connection, cookies[i], nullptr));
        if (!reply)
            continue;
        const QByteArray name(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
        m_names.insert(asked[i], name);
        m_atoms.insert(name, asked[i]);
    }
    QList<QByteArray> names;
    for (const uint32_t value : atoms)
        names << m_names.value(value);
    return names;
}

xcb_connection_t *connect(uint32_t *root)
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    *root = screens.data->root;
    return connection;
}

QByteArray property(xcb_connection_t *connection, uint32_t window, uint32_t property, uint32_t type, uint32_t maxBytes)
{
    if (!connection || !window || property == XCB_ATOM_NONE)
        return {};
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, maxBytes / 4), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

QList<uint32_t> windows(xcb_connection_t *connection, uint32_t window, uint32_t property)
{
    const QByteArray value = Xcb::property(connection, window, property, XCB_ATOM_WINDOW, 64 * 1024);
    QList<uint32_t> ids;
    const auto *data = reinterpret_cast<const uint32_t *>(value.constData());
    for (qsizetype i = 0; i < value.size() / qsizetype(sizeof(uint32_t)); ++i)
        ids << data[i];
    return ids;
}

} // namespace Xcb
