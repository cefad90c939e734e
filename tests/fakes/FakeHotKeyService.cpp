#include "fakes/FakeHotKeyService.h"

bool FakeHotKeyService::registerHotKey(quint32 keyCode, quint32 modifiers, QString *error)
{
    ++m_registerCalls;
    m_held.reset();
    if (m_refuse) {
        if (error)
            *error = QStringLiteral("the combination is already taken by another application");
        return false;
    }
    m_held = Combination{keyCode, modifiers};
    return true;
}

void FakeHotKeyService::unregisterHotKey()
{
    ++m_unregisterCalls;
    m_held.reset();
}

void FakeHotKeyService::press()
{
    if (m_held)
        Q_EMIT pressed();
}
