// The desktop's side of the tray on Wayland for the end-to-end tests: owns
// org.kde.StatusNotifierWatcher on the session bus and says a host is registered, as Plasma's
// panel or waybar's tray do, so applications offer it their StatusNotifierItem.
//   status_notifier_host   prints "item NAME" for each item registered; then reads commands from
//                          standard input, each for the newest item:
//     activate             a left click; answers "sent" or "error"
//     context              a right click where the item has no menu of its own; the same answers
//     menu                 answers "menu LABEL|LABEL|..." with the labels of the item's exported
//                          menu (com.canonical.dbusmenu), as a host reads it to draw it, or "error"
//     click LABEL          chooses that entry of the menu; "sent" or "error"
#include "HelperCommands.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

struct MenuEntry
{
    int id;
    QString label;
};

// One layout node, (ia{sv}av): its id, its properties, its children; labelled entries collected.
void readLayout(const QDBusArgument &node, QList<MenuEntry> *entries)
{
    int id = 0;
    QVariantMap properties;
    node.beginStructure();
    node >> id >> properties;
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        readLayout(qvariant_cast<QDBusArgument>(child.variant()), entries);
    }
    node.endArray();
    node.endStructure();
    if (properties.contains(QStringLiteral("label")))
        entries->append({id, properties.value(QStringLiteral("label")).toString()});
}

} // namespace

class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered CONSTANT)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion CONSTANT)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }

    // Sends `method` of org.kde.StatusNotifierItem to the newest item, as a click on its icon does.
    bool send(const QString &method)
    {
        if (m_items.isEmpty())
            return false;
        QDBusMessage call = QDBusMessage::createMethodCall(m_items.last(), QStringLiteral("/StatusNotifierItem"),
                                                           QStringLiteral("org.kde.StatusNotifierItem"), method);
        call << 640 << 10; // where the panel was clicked
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    // The labelled entries of the newest item's menu, after telling it the menu is about to show.
    std::optional<QList<MenuEntry>> menu() const
    {
        if (m_items.isEmpty())
            return std::nullopt;
        const QDBusMessage path = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(m_items.last(), QStringLiteral("/StatusNotifierItem"),
                                           QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"))
                << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu"),
            QDBus::Block, 5000);
        if (path.type() != QDBusMessage::ReplyMessage || path.arguments().isEmpty())
            return std::nullopt;
        m_menuPath = qvariant_cast<QDBusObjectPath>(path.arguments().first().value<QDBusVariant>().variant()).path();
        callMenu(QStringLiteral("AboutToShow"), {0});
        const QDBusMessage layout = callMenu(QStringLiteral("GetLayout"), {0, -1, QStringList()});
        if (layout.type() != QDBusMessage::ReplyMessage || layout.arguments().size() < 2)
            return std::nullopt;
        QList<MenuEntry> entries;
        readLayout(qvariant_cast<QDBusArgument>(layout.arguments().at(1)), &entries);
        return entries;
    }

    bool click(const QString &label) const
    {
        const std::optional<QList<MenuEntry>> entries = menu();
        for (const MenuEntry &entry : entries.value_or(QList<MenuEntry>())) {
            if (entry.label == label)
                return callMenu(QStringLiteral("Event"), {entry.id, QStringLiteral("clicked"),
                                                          QVariant::fromValue(QDBusVariant(0)), 0u})
                           .type()
                    == QDBusMessage::ReplyMessage;
        }
        return false;
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message)
    {
        // An item names its bus name, or only its object path on the sender's connection.
        const QString name = service.startsWith(u'/') ? message.service() : service;
        m_items << name;
        say(QStringLiteral("item ") + name);
        Q_EMIT StatusNotifierItemRegistered(name);
    }
    void RegisterStatusNotifierHost(const QString &) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();

private:
    QDBusMessage callMenu(const QString &method, const QVariantList &arguments) const
    {
        QDBusMessage call = QDBusMessage::createMethodCall(m_items.last(), m_menuPath,
                                                           QStringLiteral("com.canonical.dbusmenu"), method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    }

    QStringList m_items;
    mutable QString m_menuPath;
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    StatusNotifierWatcher watcher;
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                | QDBusConnection::ExportAllProperties)
        || !bus.registerService(WatcherService)) {
        std::fprintf(stderr, "cannot own %s: %s\n", qPrintable(WatcherService), qPrintable(bus.lastError().message()));
        return 1;
    }
    say(QStringLiteral("watching"));

    answerCommands(&app, [&watcher](const QString &command) {
        if (command == u"menu") {
            const std::optional<QList<MenuEntry>> entries = watcher.menu();
            QStringList labels;
            for (const MenuEntry &entry : entries.value_or(QList<MenuEntry>()))
                labels << entry.label;
            return entries ? QStringLiteral("menu ") + labels.join(u'|') : QStringLiteral("error");
        }
        const bool sent = (command == u"activate" && watcher.send(QStringLiteral("Activate")))
            || (command == u"context" && watcher.send(QStringLiteral("ContextMenu")))
            || (command.startsWith(QStringLiteral("click ")) && watcher.click(command.mid(6)));
        return sent ? QStringLiteral("sent") : QStringLiteral("error");
    });
    return app.exec();
}

#include "status_notifier_host.moc"
