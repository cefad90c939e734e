#pragma once

#include "platform/HotKeyService.h"

#include <QList>

// The global hot key in memory: records the combination held, and presses on request.
class FakeHotKeyService : public HotKeyService
{
    Q_OBJECT
public:
    using HotKeyService::HotKeyService;

    struct Combination
    {
        quint32 keyCode = 0;
        quint32 modifiers = 0;
        bool operator==(const Combination &) const = default;
    };

    bool registerHotKey(quint32 keyCode, quint32 modifiers, QString *error) override;
    void unregisterHotKey() override;
    bool isRegistered() const override { return m_held.has_value(); }

    // The combination held now, if any.
    std::optional<Combination> held() const { return m_held; }
    // How many combinations are held at once: never more than one for a correct user.
    int grabCount() const { return m_held ? 1 : 0; }
    // Simulates a press of the held combination; nothing happens when none is held.
    void press();

private:
    std::optional<Combination> m_held;
};
