#pragma once

#include "platform/HotKeyService.h"

#include <QAbstractNativeEventFilter>

struct xcb_connection_t;
struct _XCBKeySymbols;

// The global hot key on X11: a passive grab of the key on the root window, with the NumLock and
// CapsLock variants so the combination works whatever their state. Follows keyboard-map changes
// by grabbing again with the key's new code. Presses arrive through Qt's native event stream,
// also while one of our own windows (the popup) holds the keyboard.
class X11HotKeyService : public HotKeyService, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit X11HotKeyService(QObject *parent = nullptr);
    ~X11HotKeyService() override;

    bool registerHotKey(quint32 keyCode, quint32 modifiers, QString *error) override;
    void unregisterHotKey() override;
    bool isRegistered() const override { return m_registered; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    // The X key code of the stored key in the current map; 0 when the keyboard has none.
    quint8 grabbedKeyFor(quint32 keyCode) const;
    bool grab(QString *error);
    void ungrab();
    void reloadKeyboard();
    void scheduleRegrab();
    quint16 lockVariantsMask() const;

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    _XCBKeySymbols *m_symbols = nullptr;
    quint8 m_xkbFirstEvent = 0;
    bool m_registered = false;
    bool m_regrabScheduled = false;
    quint32 m_keyCode = 0;   // stored (macOS) key code
    quint32 m_modifiers = 0; // stored (Carbon) mask
    quint8 m_grabbedKey = 0; // X key code currently grabbed
    quint16 m_grabbedMask = 0;
    quint16 m_numLockMask = 0;
};
