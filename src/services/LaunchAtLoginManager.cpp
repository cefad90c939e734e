#include "services/LaunchAtLoginManager.h"

#include "platform/LoginItemService.h"
#include "services/Preferences.h"
#include "support/Log.h"

LaunchAtLoginManager::LaunchAtLoginManager(LoginItemService *service, Preferences *preferences, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_preferences(preferences)
{
    refresh();
}

LaunchAtLoginManager::~LaunchAtLoginManager() = default;

bool LaunchAtLoginManager::requiresApproval() const
{
    return m_status == LoginItemService::RequiresApproval;
}

void LaunchAtLoginManager::refresh()
{
    m_status = m_service ? m_service->status() : int(LoginItemService::NotRegistered);
    m_isEnabled = m_status == LoginItemService::Enabled;
    if (m_preferences)
        m_preferences->setLaunchAtLogin(m_isEnabled);
    Q_EMIT changed();
}

void LaunchAtLoginManager::setLaunchAtLogin(bool enabled)
{
    m_errorMessage.reset();
    if (m_service) {
        // The desktop's status now, not the one last read.
        const bool registered = m_service->status() == LoginItemService::Enabled;
        QString error;
        bool ok = true;
        if (enabled && !registered)
            ok = m_service->registerItem(&error);
        else if (!enabled && registered)
            ok = m_service->unregisterItem(&error);
        if (!ok) {
            m_errorMessage = error;
            Log::line(QStringLiteral("Erro ao atualizar inicialização no login: ") + error);
        }
    }
    refresh();
}

void LaunchAtLoginManager::openSystemSettings()
{
    if (m_service)
        m_service->openSystemSettings();
}
