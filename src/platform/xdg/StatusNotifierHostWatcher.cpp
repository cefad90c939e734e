#include "platform/xdg/StatusNotifierHostWatcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

StatusNotifierHostWatcher::StatusNotifierHostWatcher(QObject *parent)
    : TrayHost(parent)
{
}

void StatusNotifierHostWatcher::watch()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Q_EMIT absent();
        return;
    }
    if (!m_serviceWatcher) {
        // A watcher that starts, or one that gains its host, is asked again.
        m_serviceWatcher = new QDBusServiceWatcher(WatcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierHostWatcher::ask);
        bus.connect(WatcherService, WatcherPath, WatcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
                    SLOT(ask()));
    }
    ask();
}

void StatusNotifierHostWatcher::ask()
{
    if (m_found)
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *answer) {
        answer->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *answer;
        if (m_found)
            return;
        if (!reply.isError() && reply.value().variant().toBool()) {
            m_found = true;
            Q_EMIT found();
        } else if (!m_toldAbsent) {
            m_toldAbsent = true;
            Q_EMIT absent();
        }
    });
}
