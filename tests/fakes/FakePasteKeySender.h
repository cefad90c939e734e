#pragma once

#include "platform/PasteKeySender.h"

#include <QList>
#include <QPair>
#include <QSet>

// The desktop of a paste held in memory: the window in front, the windows that exist, how many
// inspections find a modifier key still held (-1: always), and the keys typed. Every answer
// comes later through the event loop, as from the real display.
class FakePasteKeySender : public PasteKeySender
{
public:
    PasteWindow active;
    QSet<quint32> windows;
    int heldInspections = 0;
    int inspections = 0;
    QList<QPair<quint32, PasteKey>> typed;

    void findActiveWindow() override
    {
        answer([this, window = active] { Q_EMIT activeWindowFound(window); });
    }
    void inspect(quint32 window) override
    {
        ++inspections;
        const bool held = heldInspections != 0;
        if (heldInspections > 0)
            --heldInspections;
        answer([this, window, held] { Q_EMIT inspected(window, windows.contains(window), held); });
    }
    void send(quint32 window, PasteKey key) override
    {
        const bool delivered = windows.contains(window);
        if (delivered)
            typed.append({window, key});
        answer([this, window, key, delivered] { Q_EMIT sent(window, key, delivered); });
    }

private:
    template<typename Answer>
    void answer(Answer &&emitIt)
    {
        QMetaObject::invokeMethod(this, std::forward<Answer>(emitIt), Qt::QueuedConnection);
    }
};
