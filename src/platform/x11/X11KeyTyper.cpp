#include "platform/x11/X11KeyTyper.h"

#include "platform/x11/Xcb.h"
#include "support/Log.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QThread>

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace {

constexpr uint32_t ControlLKeysym = 0xffe3;
constexpr uint32_t ShiftLKeysym = 0xffe1;
constexpr uint32_t InsertKeysym = 0xff63;
constexpr uint32_t VKeysym = 0x0076;
constexpr int PollMs = 10;

QStringList stringsOf(const QByteArray &value)
{
    QStringList strings;
    for (const QByteArray &part : value.split('\0'))
        strings << QString::fromLatin1(part);
    return strings;
}

} // namespace

X11KeyTyper::X11KeyTyper(QObject *parent)
    : QObject(parent)
{
}

X11KeyTyper::~X11KeyTyper()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool X11KeyTyper::ensureConnection()
{
    if (m_connection || m_connectionFailed)
        return m_connection;
    m_connection = Xcb::connect(&m_root);
    if (!m_connection) {
        m_connectionFailed = true;
        Log::note(u"paste after choosing: cannot open an X connection of its own"_qs);
        return false;
    }
    m_atoms.setConnection(m_connection);
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    m_hasXTest = xtest && xtest->present;
    if (!m_hasXTest)
        Log::note(u"paste after choosing: the X server has no XTEST extension"_qs);
    return true;
}

uint32_t X11KeyTyper::activeWindow()
{
    const QList<uint32_t> active = Xcb::windows(m_connection, m_root, m_atoms.atom("_NET_ACTIVE_WINDOW"));
    return active.isEmpty() ? 0 : active.first();
}

bool X11KeyTyper::isManaged(uint32_t window)
{
    // A window id can be reused once its window is gone: only a window the manager lists counts.
    return window != 0 && Xcb::windows(m_connection, m_root, m_atoms.atom("_NET_CLIENT_LIST")).contains(window);
}

bool X11KeyTyper::isOwnWindow(uint32_t window)
{
    uint32_t pid = 0;
    const QByteArray wmPid = Xcb::property(m_connection, window, m_atoms.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (wmPid.size() >= 4) {
        pid = *reinterpret_cast<const uint32_t *>(wmPid.constData());
    } else {
        xcb_res_client_id_spec_t query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        Xcb::Reply<xcb_res_query_client_ids_reply_t> reply(xcb_res_query_client_ids_reply(
            m_connection, xcb_res_query_client_ids(m_connection, 1, &query), nullptr));
        if (reply) {
            auto it = xcb_res_query_client_ids_ids_iterator(reply.get());
            if (it.rem > 0 && xcb_res_client_id_value_value_length(it.data) > 0)
                pid = *xcb_res_client_id_value_value(it.data);
        }
    }
    return pid != 0 && pid == uint32_t(::getpid());
}

void X11KeyTyper::findActiveWindow()
{
    PasteWindow found;
    if (ensureConnection()) {
        const uint32_t window = activeWindow();
        if (isManaged(window)) {
            found.id = window;
            const QStringList names = stringsOf(Xcb::property(m_connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING));
            found.instanceName = names.value(0);
            found.className = names.value(1);
            found.isOwn = isOwnWindow(window);
        }
    }
    Q_EMIT activeWindowFound(found);
}

bool X11KeyTyper::modifiersHeld()
{
    Xcb::Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    Xcb::Reply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr));
    if (!mapping || !keymap)
        return false;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int count = xcb_get_modifier_mapping_keycodes_length(mapping.get());
    for (int i = 0; i < count; ++i) {
        const xcb_keycode_t code = codes[i];
        if (code != 0 && (keymap->keys[code / 8] & (1 << (code % 8))))
            return true;
    }
    return false;
}

void X11KeyTyper::inspect(quint32 window)
{
    const bool connected = ensureConnection();
    const bool exists = connected && isManaged(window);
    Q_EMIT inspected(window, exists, exists && modifiersHeld());
}

bool X11KeyTyper::hasFocusWithin(uint32_t window)
{
    Xcb::Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    uint32_t current = focus ? focus->focus : 0;
    // The focus may sit on a child of the top-level window (xterm's text area, for one).
    for (int depth = 0; depth < 32 && current > XCB_INPUT_FOCUS_POINTER_ROOT && current != m_root; ++depth) {
        if (current == window)
            return true;
        Xcb::Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, current), nullptr));
        if (!tree)
            return false;
        current = tree->parent;
    }
    return false;
}

bool X11KeyTyper::giveKeyboardTo(uint32_t window)
{
    if (activeWindow() != window) {
        // Ask the window manager as a pager would (source 2), which it honours without the
        // focus-stealing checks an application's request meets.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = m_atoms.atom("_NET_ACTIVE_WINDOW");
        message.data.data32[0] = 2;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&message));
        xcb_flush(m_connection);
        const QDeadlineTimer deadline(ActivationTimeoutMs);
        while (activeWindow() != window && !deadline.hasExpired())
            QThread::msleep(PollMs);
    }
    // The popup held the keyboard; when it let go the focus may have gone to the root window.
    if (!hasFocusWithin(window)) {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        Xcb::Reply<xcb_get_input_focus_reply_t> sync(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    return isManaged(window) && hasFocusWithin(window);
}

uint8_t X11KeyTyper::keycodeOf(uint32_t keysym)
{
    Xcb::Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(m_symbols, keysym));
    return codes ? codes.get()[0] : 0;
}

bool X11KeyTyper::type(PasteKey key)
{
    // The keyboard mapping may have changed since the last paste: read it afresh.
    m_symbols = xcb_key_symbols_alloc(m_connection);
    const auto symbols = qScopeGuard([this] {
        xcb_key_symbols_free(m_symbols);
        m_symbols = nullptr;
    });
    QList<uint8_t> modifiers;
    uint8_t main = 0;
    switch (key) {
    case PasteKey::ControlV:
        modifiers = {keycodeOf(ControlLKeysym)};
        main = keycodeOf(VKeysym);
        break;
    case PasteKey::ControlShiftV:
        modifiers = {keycodeOf(ControlLKeysym), keycodeOf(ShiftLKeysym)};
        main = keycodeOf(VKeysym);
        break;
    case PasteKey::ShiftInsert:
        modifiers = {keycodeOf(ShiftLKeysym)};
        main = keycodeOf(InsertKeysym);
        break;
    }
    if (main == 0 || modifiers.contains(0))
        return false;
    for (const uint8_t code : modifiers)
        xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_connection, XCB_KEY_PRESS, main, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, main, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    for (auto it = modifiers.crbegin(); it != modifiers.crend(); ++it)
        xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    Xcb::Reply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    return true;
}

void X11KeyTyper::send(quint32 window, PasteKey key)
{
    const bool delivered = ensureConnection() && m_hasXTest && isManaged(window) && giveKeyboardTo(window) && type(key);
    Q_EMIT sent(window, key, delivered);
}
