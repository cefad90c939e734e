#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

// The key combination that pastes the clipboard in a kind of window.
enum class PasteKey {
    ControlV,      // ordinary applications
    ControlShiftV, // the terminal emulators that paste the clipboard with it (VTE, Konsole, kitty, ...)
    ShiftInsert,   // xterm and its kin, which paste the primary selection with it and bind no
                   // key to the clipboard: the sender first puts the clipboard's content there
};

// A top-level window of the desktop as the paste needs it: its id (0 for none), its WM_CLASS
// instance and class names, and whether it belongs to this process.
struct PasteWindow
{
    quint32 id = 0;
    QString instanceName;
    QString className;
    bool isOwn = false;
};

// Types a paste key into another application's window. Every request is answered by a signal,
// later, on the main thread: the desktop is asked off the interface thread, which never waits
// for the display server.
class PasteKeySender : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PasteKeySender() override = default;

    // Which window is active now; answered by activeWindowFound().
    virtual void findActiveWindow() = 0;
    // Whether `window` is still one of the desktop's windows, and whether any modifier key
    // (Shift, Ctrl, Alt, Super, ...) is held down now; answered by inspected().
    virtual void inspect(quint32 window) = 0;
    // Gives `window` the keyboard and types `key` into it; answered by sent().
    virtual void send(quint32 window, PasteKey key) = 0;

Q_SIGNALS:
    void activeWindowFound(const PasteWindow &window);
    void inspected(quint32 window, bool exists, bool modifiersHeld);
    // `delivered` is false when the window was gone or would not take the keyboard.
    void sent(quint32 window, PasteKey key, bool delivered);
};

Q_DECLARE_METATYPE(PasteWindow)
Q_DECLARE_METATYPE(PasteKey)
