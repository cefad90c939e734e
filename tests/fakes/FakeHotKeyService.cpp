#include "fakes/FakeHotKeyService.h"

bool FakeHotKeyService::registerHotKey(quint32 keyCode, quint32 modifiers, QString *)
{
    m_held = Combination{keyCode, modifiers};
    return true;
}

void FakeHotKeyService::unregisterHotKey()
{
    m_held.reset();
}

void FakeHotKeyService::press()
{
    if (m_held)
        Q_EMIT pressed();
}
