#pragma once

#include <QObject>
#include <QString>

#include <optional>

class LoginItemService;
class Preferences;

// Whether Kavla starts at login. The desktop's record (LoginItemService) is the only truth: after
// every attempt the status is read again, so a change that failed or waits for the user's approval
// shows as it really is. The last failure's description stays until the next attempt.
class LaunchAtLoginManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY changed)
    Q_PROPERTY(int status READ status NOTIFY changed)
    Q_PROPERTY(bool requiresApproval READ requiresApproval NOTIFY changed)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY changed)
public:
    // Refreshes at once.
    LaunchAtLoginManager(LoginItemService *service, Preferences *preferences, QObject *parent = nullptr);
    ~LaunchAtLoginManager() override;

    bool isEnabled() const { return m_isEnabled; }
    int status() const { return m_status; }
    bool requiresApproval() const;
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }

    // Reads the status, and stores "launchAtLogin" as whether it is enabled.
    void refresh();
    // Registers or unregisters when the status asks for it, then refreshes; a failure is kept
    // in errorMessage() and written as one line.
    void setLaunchAtLogin(bool enabled);
    void openSystemSettings();

Q_SIGNALS:
    void changed();

private:
    LoginItemService *m_service;
    Preferences *m_preferences;
    bool m_isEnabled = false;
    int m_status = 0;
    std::optional<QString> m_errorMessage;
};
