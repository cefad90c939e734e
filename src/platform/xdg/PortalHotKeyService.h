#pragma once

#include "platform/HotKeyService.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

// The global hot key through the desktop's GlobalShortcuts portal (xdg-desktop-portal), where a
// Wayland session has no other way to take a key system-wide. Everything is asynchronous: the
// portal is asked whether it offers the interface, then for a session, then to bind the
// combination as a preferred trigger, which the desktop may show to the user or change. Where
// there is no such portal one line says so and how to bind `kavla` to a key instead.
class PortalHotKeyService : public HotKeyService
{
    Q_OBJECT
public:
    explicit PortalHotKeyService(QObject *parent = nullptr);

    bool registerHotKey(quint32 keyCode, quint32 modifiers, QString *error) override;
    void unregisterHotKey() override;
    bool isRegistered() const override { return m_bound; }

    // The portal's trigger text for a stored key code and modifier mask, e.g. "SHIFT+LOGO+v";
    // empty when the key has no name.
    static QString triggerFor(quint32 keyCode, quint32 modifiers);

private Q_SLOTS:
    // Each request's Response; one for a request since given up (the key changed meanwhile) is
    // told apart by its path and ignored.
    void onSessionCreated(uint response, const QVariantMap &results, const QDBusMessage &message);
    void onShortcutsBound(uint response, const QVariantMap &results, const QDBusMessage &message);
    void onActivated(const QDBusObjectPath &session, const QString &shortcut, qulonglong timestamp,
                     const QVariantMap &options);

private:
    void createSession();
    void bindShortcuts();
    void unavailable(const QString &reason);
    QString requestPath(const QString &token) const;

    QString m_trigger;
    QString m_session;
    QString m_pendingRequest;
    bool m_bound = false;
    int m_attempts = 0; // moves on with every unregistration: a late answer for an earlier one is dropped
    int m_tokens = 0;
};
