#pragma once

#include <QObject>
#include <QString>

// One system-wide key combination. The combination is given as the stored macOS virtual key code
// and Carbon modifier mask (cmdKey 256, shiftKey 512, optionKey 2048, controlKey 4096); each
// platform translates them. pressed() is emitted on the main thread for every press.
class HotKeyService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~HotKeyService() override = default;

    // Takes the combination, replacing any taken before. False, with the reason in `error`, when
    // it cannot be taken (another application holds it, or the keyboard has no such key).
    virtual bool registerHotKey(quint32 keyCode, quint32 modifiers, QString *error) = 0;
    // Releases the combination; nothing happens when none is held.
    virtual void unregisterHotKey() = 0;
    virtual bool isRegistered() const = 0;

Q_SIGNALS:
    void pressed();
};
