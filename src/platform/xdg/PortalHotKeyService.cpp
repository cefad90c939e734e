#include "platform/xdg/PortalHotKeyService.h"

#include "platform/CarbonKeyMap.h"
#include "support/Localization.h"
#include "support/Log.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString ShortcutId = QStringLiteral("toggle-history");

// One entry of BindShortcuts' a(sa{sv}).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

PortalHotKeyService::PortalHotKeyService(QObject *parent)
    : HotKeyService(parent)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

QString PortalHotKeyService::triggerFor(quint32 keyCode, quint32 modifiers)
{
    const char16_t key = CarbonKeyMap::characterForKeyCode(keyCode);
    if (key == 0)
        return {};
    // The trigger notation the portal takes: modifiers in capitals, then the key by its keysym name.
    QStringList parts;
    if (modifiers & CarbonKeyMap::ControlKey)
        parts << QStringLiteral("CTRL");
    if (modifiers & CarbonKeyMap::OptionKey)
        parts << QStringLiteral("ALT");
    if (modifiers & CarbonKeyMap::ShiftKey)
        parts << QStringLiteral("SHIFT");
    if (modifiers & CarbonKeyMap::CmdKey)
        parts << QStringLiteral("LOGO");
    parts << QString(QChar(key));
    return parts.join(QLatin1Char('+'));
}

void PortalHotKeyService::unavailable(const QString &reason)
{
    Log::line(QStringLiteral("Erro ao registrar atalho global: %1; bind the command kavla to a key in "
                             "the desktop's keyboard settings (a second launch opens the history)")
                  .arg(reason));
}

QString PortalHotKeyService::requestPath(const QString &token) const
{
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

bool PortalHotKeyService::registerHotKey(quint32 keyCode, quint32 modifiers, QString *error)
{
    unregisterHotKey();
    m_trigger = triggerFor(keyCode, modifiers);
    if (m_trigger.isEmpty()) {
        if (error)
            *error = QStringLiteral("the keyboard has no such key");
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (error)
            *error = QStringLiteral("no D-Bus session bus, so no GlobalShortcuts portal; bind the command "
                                    "kavla to a key in the desktop's keyboard settings (a second launch "
                                    "opens the history)");
        return false;
    }
    // Does the portal offer the interface at all? Its "version" property answers.
    QDBusMessage ask = QDBusMessage::createMethodCall(PortalService, PortalPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    ask << ShortcutsInterface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, attempt = m_attempts](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (attempt != m_attempts)
            return; // unregistered or registered again meanwhile
        if (call->isError()) {
            unavailable(QStringLiteral("the desktop offers no GlobalShortcuts portal (%1)").arg(call->error().name()));
            return;
        }
        createSession();
    });
    return true;
}

void PortalHotKeyService::createSession()
{
    const QString token = QStringLiteral("kavla%1").arg(++m_tokens);
    m_pendingRequest = requestPath(token);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(PortalService, m_pendingRequest, RequestInterface, QStringLiteral("Response"), this,
                SLOT(onSessionCreated(uint, QVariantMap, QDBusMessage)));
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface,
                                                       QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), QStringLiteral("kavla_session%1").arg(m_tokens)}};
    bus.asyncCall(call);
}

void PortalHotKeyService::onSessionCreated(uint response, const QVariantMap &results, const QDBusMessage &message)
{
    if (message.path() != m_pendingRequest)
        return;
    m_pendingRequest.clear();
    if (response != 0) {
        unavailable(QStringLiteral("the GlobalShortcuts portal refused a session (%1)").arg(response));
        return;
    }
    // Documented as a string; some portals send an object path.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
        ? qvariant_cast<QDBusObjectPath>(handle).path()
        : handle.toString();
    if (m_session.isEmpty()) {
        unavailable(QStringLiteral("the GlobalShortcuts portal gave no session"));
        return;
    }
    QDBusConnection::sessionBus().connect(PortalService, PortalPath, ShortcutsInterface,
                                          QStringLiteral("Activated"), this,
                                          SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bindShortcuts();
}

void PortalHotKeyService::bindShortcuts()
{
    const QString token = QStringLiteral("kavla%1").arg(++m_tokens);
    m_pendingRequest = requestPath(token);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(PortalService, m_pendingRequest, RequestInterface, QStringLiteral("Response"), this,
                SLOT(onShortcutsBound(uint, QVariantMap, QDBusMessage)));
    const QList<PortalShortcut> shortcuts = {
        {ShortcutId, {{QStringLiteral("description"), L("Abrir Histórico")},
                      {QStringLiteral("preferred_trigger"), m_trigger}}}};
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    bus.asyncCall(call);
}

void PortalHotKeyService::onShortcutsBound(uint response, const QVariantMap &, const QDBusMessage &message)
{
    if (message.path() != m_pendingRequest)
        return;
    m_pendingRequest.clear();
    if (response != 0) {
        unavailable(QStringLiteral("the GlobalShortcuts portal did not bind %1 (%2)").arg(m_trigger).arg(response));
        return;
    }
    m_bound = true;
    Log::note(QStringLiteral("global hot key %1 bound through the GlobalShortcuts portal").arg(m_trigger));
}

void PortalHotKeyService::onActivated(const QDBusObjectPath &session, const QString &shortcut, qulonglong,
                                      const QVariantMap &)
{
    if (m_bound && session.path() == m_session && shortcut == ShortcutId)
        Q_EMIT pressed();
}

void PortalHotKeyService::unregisterHotKey()
{
    ++m_attempts;
    m_pendingRequest.clear();
    if (m_session.isEmpty())
        return;
    // Closing the session releases every shortcut bound in it.
    QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        PortalService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    m_session.clear();
    m_bound = false;
}
