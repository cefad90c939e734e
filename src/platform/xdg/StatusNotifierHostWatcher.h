#pragma once

#include "platform/TrayHost.h"

class QDBusServiceWatcher;

// The StatusNotifier host on the session bus, as org.kde.StatusNotifierWatcher tells it (Plasma,
// waybar, the AppIndicator extension): found() once the watcher says a host is registered.
class StatusNotifierHostWatcher : public TrayHost
{
    Q_OBJECT
public:
    explicit StatusNotifierHostWatcher(QObject *parent = nullptr);

    void watch() override;

private Q_SLOTS:
    void ask();

private:
    QDBusServiceWatcher *m_serviceWatcher = nullptr;
    bool m_found = false;
    bool m_toldAbsent = false;
};
