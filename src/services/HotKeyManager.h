#pragma once

#include "platform/HotKeyService.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

class Preferences;

// The global hot key that toggles the history popup: one combination, read from the preferences
// at each registration, delivered to a single trigger. At most one combination is held at a time.
class HotKeyManager : public QObject
{
    Q_OBJECT
public:
    struct Preset
    {
        quint32 keyCode;
        quint32 modifiers;
    };
    // The key code and mask of a preset string; any unknown string gives V with Command+Shift.
    static Preset presetFor(const QString &preset);

    HotKeyManager(HotKeyService *service, Preferences *preferences, QObject *parent = nullptr);
    ~HotKeyManager() override;

    // Releases any held combination, then, unless "globalShortcutEnabled" holds false, takes the
    // stored one (falling back to V and Command+Shift). A refusal is written as one line.
    void registerHotKey();
    void unregisterHotKey();
    // Stores the combination and registers it again.
    void updateShortcut(quint32 keyCode, quint32 modifiers);
    // updateShortcut with the preset's combination.
    void applyPreset(const QString &preset);

    bool isActive() const;
    bool hasHandler() const { return bool(m_handler); }

Q_SIGNALS:
    // Every press of the held combination. Other platforms may deliver presses on another
    // thread; connect with a queued connection to act on the main thread.
    void triggered();

private:
    QPointer<HotKeyService> m_service;
    Preferences *m_preferences;
    QMetaObject::Connection m_handler;
};
