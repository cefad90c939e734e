#include "platform/x11/X11HotKeyService.h"

#include "platform/CarbonKeyMap.h"
#include "platform/x11/Xcb.h"
#include "support/Log.h"
#include "support/LogCategories.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace {

constexpr xcb_keysym_t NumLockKeysym = 0xff7f;
constexpr quint8 BadAccess = 10;
constexpr quint8 XkbNewKeyboardNotify = 0;
constexpr quint8 XkbMapNotify = 1;

} // namespace

X11HotKeyService::X11HotKeyService(QObject *parent)
    : HotKeyService(parent)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return;
    m_connection = x11->connection();
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_symbols = xcb_key_symbols_alloc(m_connection);

    static const char name[] = "XKEYBOARD";
    Xcb::Reply<xcb_query_extension_reply_t> xkb(
        xcb_query_extension_reply(m_connection, xcb_query_extension(m_connection, sizeof name - 1, name), nullptr));
    if (xkb && xkb->present)
        m_xkbFirstEvent = xkb->first_event;
    reloadKeyboard();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyService::~X11HotKeyService()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    unregisterHotKey();
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
}

bool X11HotKeyService::registerHotKey(quint32 keyCode, quint32 modifiers, QString *error)
{
    unregisterHotKey();
    m_keyCode = keyCode;
    m_modifiers = modifiers;
    if (!m_connection) {
        if (error)
            *error = QStringLiteral("no X11 connection");
        return false;
    }
    if (!grab(error))
        return false;
    m_registered = true;
    qCDebug(lcPlatform) << "global hot key" << CarbonKeyMap::describe(keyCode, modifiers) << "grabbed on the X11 root window";
    return true;
}

void X11HotKeyService::unregisterHotKey()
{
    ungrab();
    m_registered = false;
}

quint16 X11HotKeyService::lockVariantsMask() const
{
    return CarbonKeyMap::X11LockMask | m_numLockMask;
}

quint8 X11HotKeyService::grabbedKeyFor(quint32 keyCode) const
{
    const char16_t character = CarbonKeyMap::characterForKeyCode(keyCode);
    xcb_keycode_t key = 0;
    if (character && m_symbols) {
        if (xcb_keycode_t *codes = xcb_key_symbols_get_keycode(m_symbols, xcb_keysym_t(character))) {
            key = codes[0];
            std::free(codes);
        }
    }
    return key == XCB_NO_SYMBOL ? 0 : key;
}

bool X11HotKeyService::grab(QString *error)
{
    const QString combination = CarbonKeyMap::describe(m_keyCode, m_modifiers);
    const xcb_keycode_t key = grabbedKeyFor(m_keyCode);
    if (key == 0) {
        if (error)
            *error = QStringLiteral("%1: the keyboard has no such key").arg(combination);
        return false;
    }

    const quint16 mask = CarbonKeyMap::x11Modifiers(m_modifiers);
    const quint16 variants[] = {0, CarbonKeyMap::X11LockMask, m_numLockMask,
                                quint16(CarbonKeyMap::X11LockMask | m_numLockMask)};
    QList<xcb_void_cookie_t> cookies;
    QList<quint16> masks;
    for (const quint16 variant : variants) {
        const quint16 full = mask | variant;
        if (masks.contains(full))
            continue;
        masks.append(full);
        cookies.append(xcb_grab_key_checked(m_connection, 1, m_root, full, key, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    int errorCode = 0;
    for (const xcb_void_cookie_t &cookie : cookies) {
        if (xcb_generic_error_t *failure = xcb_request_check(m_connection, cookie)) {
            refused = true;
            errorCode = failure->error_code;
            std::free(failure);
        }
    }
    m_grabbedKey = key;
    m_grabbedMask = mask;
    if (refused) {
        ungrab();
        if (error) {
            *error = errorCode == BadAccess
                         ? QStringLiteral("%1 is already taken by another application").arg(combination)
                         : QStringLiteral("%1 was refused by the X server (error %2)").arg(combination).arg(errorCode);
        }
        return false;
    }
    return true;
}

void X11HotKeyService::ungrab()
{
    if (!m_connection || m_grabbedKey == 0)
        return;
    const quint16 variants[] = {0, CarbonKeyMap::X11LockMask, m_numLockMask,
                                quint16(CarbonKeyMap::X11LockMask | m_numLockMask)};
    for (const quint16 variant : variants)
        xcb_ungrab_key(m_connection, m_grabbedKey, m_root, m_grabbedMask | variant);
    xcb_flush(m_connection);
    m_grabbedKey = 0;
}

void X11HotKeyService::reloadKeyboard()
{
    if (!m_connection)
        return;
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
    m_symbols = xcb_key_symbols_alloc(m_connection);

    // Which modifier bit NumLock sits on differs between keyboards (usually Mod2).
    m_numLockMask = 0;
    Xcb::Reply<xcb_keycode_t> numLockCodes(xcb_key_symbols_get_keycode(m_symbols, NumLockKeysym));
    Xcb::Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!numLockCodes || !mapping)
        return;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            for (const xcb_keycode_t *numLock = numLockCodes.get(); code && *numLock != XCB_NO_SYMBOL; ++numLock) {
                if (*numLock == code)
                    m_numLockMask = quint16(1u << modifier);
            }
        }
    }
}

void X11HotKeyService::scheduleRegrab()
{
    if (m_regrabScheduled)
        return;
    m_regrabScheduled = true;
    // Several notifications arrive for one change; grab again once they have all been seen.
    QTimer::singleShot(0, this, [this] {
        m_regrabScheduled = false;
        const bool wasRegistered = m_registered;
        const quint16 previousNumLock = m_numLockMask;
        reloadKeyboard();
        // Another keyboard coming into use (the first XTest key, a second keyboard plugged in)
        // announces a new map that is often the same: the grab stands, since taking it again
        // would lose a press made in between.
        if (wasRegistered && m_grabbedKey != 0 && m_numLockMask == previousNumLock
            && grabbedKeyFor(m_keyCode) == m_grabbedKey)
            return;
        const quint16 numLock = m_numLockMask;
        m_numLockMask = previousNumLock; // the variants that were grabbed
        ungrab();
        m_numLockMask = numLock;
        if (!wasRegistered)
            return;
        QString error;
        m_registered = grab(&error);
        if (m_registered)
            Log::note(QStringLiteral("keyboard map changed; global hot key taken again"));
        else
            Log::line(QStringLiteral("Erro ao registrar atalho global: ") + error);
    });
}

bool X11HotKeyService::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS && m_registered) {
        auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
        // Lock states and pointer buttons do not change the combination.
        const quint16 state = press->state & 0xff & ~lockVariantsMask();
        if (press->detail == m_grabbedKey && state == m_grabbedMask) {
            Q_EMIT pressed();
            return true;
        }
        return false;
    }
    if (type == XCB_KEY_RELEASE && m_registered) {
        auto *release = reinterpret_cast<xcb_key_release_event_t *>(event);
        const quint16 state = release->state & 0xff & ~lockVariantsMask();
        return release->detail == m_grabbedKey && state == m_grabbedMask;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        scheduleRegrab();
        return false;
    }
    if (m_xkbFirstEvent && type == m_xkbFirstEvent) {
        const quint8 xkbType = reinterpret_cast<const quint8 *>(event)[1];
        if (xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify)
            scheduleRegrab();
    }
    return false;
}
