#pragma once

#include "platform/PasteKeySender.h"
#include "platform/x11/Xcb.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

#include <cstdint>

struct xcb_connection_t;
struct _XCBKeySymbols;

// The X work behind X11PasteKeySender, on an X connection of its own and on the thread it
// lives on: which window is active, whether a window is still managed, whether a modifier key is
// down, and typing a key into a window through XTest after giving that window the keyboard.
class X11KeyTyper : public QObject
{
    Q_OBJECT
public:
    // How long the window manager has to activate the target before the focus is set directly.
    static constexpr int ActivationTimeoutMs = 1000;

    explicit X11KeyTyper(QObject *parent = nullptr);
    ~X11KeyTyper() override;

    // On the typer's thread; each answers with the signal of the same name in PasteKeySender.
    void findActiveWindow();
    void inspect(quint32 window);
    void send(quint32 window, PasteKey key);

Q_SIGNALS:
    void activeWindowFound(const PasteWindow &window);
    void inspected(quint32 window, bool exists, bool modifiersHeld);
    void sent(quint32 window, PasteKey key, bool delivered);

private:
    bool ensureConnection();
    uint32_t activeWindow();
    bool isManaged(uint32_t window);
    bool isOwnWindow(uint32_t window);
    bool modifiersHeld();
    bool hasFocusWithin(uint32_t window);
    bool giveKeyboardTo(uint32_t window);
    bool type(PasteKey key);
    uint8_t keycodeOf(uint32_t keysym);

    xcb_connection_t *m_connection = nullptr;
    bool m_connectionFailed = false;
    bool m_hasXTest = false;
    uint32_t m_root = 0;
    _XCBKeySymbols *m_symbols = nullptr;
    Xcb::Atoms m_atoms;
};
