// The desktop portal's GlobalShortcuts interface for the end-to-end tests, as the documented
// org.freedesktop.portal.GlobalShortcuts (version 1) answers it: Debian 12 has no backend that
// implements it. Owns org.freedesktop.portal.Desktop on the session bus.
//   global_shortcuts_portal   prints "portal" once on the bus and "bound ID TRIGGER|DESCRIPTION"
//                             for each shortcut an application binds; then reads the command
//                             "press" from standard input, which activates the newest binding as
//                             the desktop does when its key is pressed ("sent" or "error")
#include "HelperCommands.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDateTime>
#include <QTimer>

#include <cstdio>

namespace {

const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

} // namespace

class GlobalShortcutsPortal : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override
    {
        return QStringLiteral("<interface name=\"org.freedesktop.portal.GlobalShortcuts\">"
                              "<property name=\"version\" type=\"u\" access=\"read\"/>"
                              "<method name=\"CreateSession\"><arg type=\"a{sv}\" direction=\"in\"/>"
                              "<arg type=\"o\" direction=\"out\"/></method>"
                              "<method name=\"BindShortcuts\"><arg type=\"o\" direction=\"in\"/>"
                              "<arg type=\"a(sa{sv})\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
                              "<arg type=\"a{sv}\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/></method>"
                              "<signal name=\"Activated\"><arg type=\"o\"/><arg type=\"s\"/><arg type=\"t\"/>"
                              "<arg type=\"a{sv}\"/></signal>"
                              "</interface>");
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QList<QVariant> arguments = message.arguments();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && message.member() == u"Get"
            && arguments.value(0).toString() == ShortcutsInterface && arguments.value(1).toString() == u"version") {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
            return true;
        }
        if (message.interface() != ShortcutsInterface)
            return false;
        if (message.member() == u"CreateSession" && arguments.size() == 1) {
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.at(0));
            m_client = message.service();
            m_session = objectPath(QStringLiteral("session"), options.value(QStringLiteral("session_handle_token")));
            return answer(message, connection, options, {{QStringLiteral("session_handle"), m_session}});
        }
        if (message.member() == u"BindShortcuts" && arguments.size() == 4) {
            if (qvariant_cast<QDBusObjectPath>(arguments.at(0)).path() != m_session)
                return false;
            const QDBusArgument list = qvariant_cast<QDBusArgument>(arguments.at(1));
            list.beginArray();
            while (!list.atEnd()) {
                QVariantMap properties;
                list.beginStructure();
                list >> m_shortcut >> properties;
                list.endStructure();
                say(QStringLiteral("bound %1 %2|%3")
                        .arg(m_shortcut, properties.value(QStringLiteral("preferred_trigger")).toString(),
                             properties.value(QStringLiteral("description")).toString()));
            }
            list.endArray();
            return answer(message, connection, qdbus_cast<QVariantMap>(arguments.at(3)), {});
        }
        return false;
    }

    // The desktop saw the bound key pressed.
    bool press(const QDBusConnection &connection) const
    {
        if (m_shortcut.isEmpty())
            return false;
        QDBusMessage activated = QDBusMessage::createSignal(PortalPath, ShortcutsInterface, QStringLiteral("Activated"));
        activated << QVariant::fromValue(QDBusObjectPath(m_session)) << m_shortcut
                  << qulonglong(QDateTime::currentMSecsSinceEpoch()) << QVariantMap();
        return connection.send(activated);
    }

private:
    // /org/freedesktop/portal/desktop/KIND/SENDER/TOKEN, the sender's unique name without its
    // colon and with its dots as underscores.
    QString objectPath(const QString &kind, const QVariant &token) const
    {
        QString sender = m_client.mid(1);
        sender.replace(u'.', u'_');
        return QStringLiteral("%1/%2/%3/%4").arg(PortalPath, kind, sender, token.toString());
    }

    // Replies with the request's handle, then answers the request with its Response signal.
    bool answer(const QDBusMessage &message, const QDBusConnection &connection, const QVariantMap &options,
                const QVariantMap &results)
    {
        const QString request = objectPath(QStringLiteral("request"), options.value(QStringLiteral("handle_token")));
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QTimer::singleShot(0, [connection, request, results] {
            QDBusMessage response = QDBusMessage::createTargetedSignal(
                QString(), request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << 0u << results;
            QDBusConnection(connection).send(response);
        });
        return true;
    }

    QString m_client;
    QString m_session;
    QString m_shortcut;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    GlobalShortcutsPortal portal;
    if (!bus.registerVirtualObject(PortalPath, &portal)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "cannot own the portal: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    say(QStringLiteral("portal"));

    answerCommands(&app, [&portal, &bus](const QString &command) {
        return command == u"press" && portal.press(bus) ? QStringLiteral("sent") : QStringLiteral("error");
    });
    return app.exec();
}
