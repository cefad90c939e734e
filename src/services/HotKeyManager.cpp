#include "services/HotKeyManager.h"

#include "platform/HotKeyService.h"
#include "services/Preferences.h"
#include "support/Log.h"

HotKeyManager::Preset HotKeyManager::presetFor(const QString &preset)
{
    if (preset == QLatin1String("cmd_option_v"))
        return {9, 2304};
    if (preset == QLatin1String("ctrl_option_v"))
        return {9, 6144};
    if (preset == QLatin1String("cmd_shift_h"))
        return {4, 768};
    return {Preferences::DefaultGlobalShortcutKeyCode, Preferences::DefaultGlobalShortcutModifiers};
}

HotKeyManager::HotKeyManager(HotKeyService *service, Preferences *preferences, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_preferences(preferences)
{
}

HotKeyManager::~HotKeyManager()
{
    unregisterHotKey();
}

bool HotKeyManager::isActive() const
{
    return m_service && m_service->isRegistered();
}

void HotKeyManager::registerHotKey()
{
    unregisterHotKey();
    if (!m_service || !m_preferences || !m_preferences->globalShortcutEnabledForHotKey())
        return;
    const quint32 keyCode = m_preferences->globalShortcutKeyCode();
    const quint32 modifiers = m_preferences->globalShortcutModifiers();
    m_handler = connect(m_service.data(), &HotKeyService::pressed, this, &HotKeyManager::triggered);
    QString error;
    if (!m_service->registerHotKey(keyCode, modifiers, &error))
        Log::line(QStringLiteral("Erro ao registrar atalho global: ") + error);
}

void HotKeyManager::unregisterHotKey()
{
    if (m_service && m_service->isRegistered())
        m_service->unregisterHotKey();
    if (m_handler) {
        disconnect(m_handler);
        m_handler = {};
    }
}

void HotKeyManager::updateShortcut(quint32 keyCode, quint32 modifiers)
{
    if (m_preferences) {
        m_preferences->setGlobalShortcutKeyCode(keyCode);
        m_preferences->setGlobalShortcutModifiers(modifiers);
    }
    registerHotKey();
}

void HotKeyManager::applyPreset(const QString &preset)
{
    const Preset combination = presetFor(preset);
    updateShortcut(combination.keyCode, combination.modifiers);
}
