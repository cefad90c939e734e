#include "app/CommandClient.h"

#include "app/LauncherLine.h"
#include "shell/HistoryBus.h"
#include "shell/HistoryBusEntry.h"

#include <QDBusArgument>
#include <QDBusUnixFileDescriptor>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "kavla: %s\n", text.toLocal8Bit().constData());
}

bool writeOut(const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool writeOut(const QByteArray &bytes)
{
    return writeOut(bytes.constData(), bytes.size());
}

// The first line of standard input, without its line break.
QString readLine()
{
    QByteArray line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line.append(char(c));
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// The session bus, once the entry type is known: the connection's thread reads messages from the
// moment it connects, and a type registered meanwhile races with it.
QDBusConnection sessionBus()
{
    HistoryBusEntry::registerType();
    return QDBusConnection::sessionBus();
}

} // namespace

CommandClient::CommandClient()
    : m_bus(sessionBus())
{
}

QDBusMessage CommandClient::call(const QString &method, const QVariantList &arguments, int *status)
{
    if (!m_bus.isConnected()) {
        say(QStringLiteral("no session bus, so no Kavla to ask (%1)").arg(m_bus.lastError().message()));
        *status = Unreachable;
        return {};
    }
    QDBusMessage message = QDBusMessage::createMethodCall(HistoryBus::ServiceName, HistoryBus::ObjectPath,
                                                          HistoryBus::InterfaceName, method);
    message.setArguments(arguments);
    // A Kavla that is not running is not started by the bus: the command says so instead.
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, AnswerMs);
    if (reply.type() != QDBusMessage::ErrorMessage) {
        *status = Done;
        return reply;
    }
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        say(QStringLiteral("Kavla is not running"));
        *status = Unreachable;
    } else if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply")
               || name == QLatin1String("org.freedesktop.DBus.Error.Timeout")
               || name == QLatin1String("org.freedesktop.DBus.Error.Disconnected")) {
        say(QStringLiteral("Kavla did not answer"));
        *status = Unreachable;
    } else {
        say(reply.errorMessage().isEmpty() ? name : reply.errorMessage());
        *status = Refused;
    }
    return {};
}

int CommandClient::run(const CommandLine::Command &command)
{
    using CommandLine::Action;
    QString entry;
    switch (command.action) {
    case Action::List:
    case Action::Search:
        return list(command);
    case Action::Clear:
        return simpleCall(QStringLiteral("Clear"), {});
    case Action::Hide:
        return simpleCall(QStringLiteral("HidePopup"), {});
    case Action::Show:
        switch (command.window) {
        case CommandLine::Window::Popup:
            return simpleCall(QStringLiteral("ShowPopup"), {});
        case CommandLine::Window::Settings:
            return simpleCall(QStringLiteral("ShowSettings"), {});
        case CommandLine::Window::Guide:
            return simpleCall(QStringLiteral("ShowGuide"), {});
        case CommandLine::Window::History:
            return simpleCall(QStringLiteral("ShowHistoryWindow"), {});
        }
        break;
    default:
        break;
    }
    if (!entryOf(command, &entry))
        return Refused;
    switch (command.action) {
    case Action::Get:
        return get(entry);
    case Action::Copy:
        return simpleCall(QStringLiteral("Copy"), {entry});
    case Action::Paste:
        return simpleCall(QStringLiteral("Paste"), {entry});
    case Action::Pin:
    case Action::Unpin:
        return simpleCall(QStringLiteral("SetPinned"), {entry, command.action == Action::Pin});
    case Action::Delete:
        return simpleCall(QStringLiteral("Delete"), {entry});
    default:
        break;
    }
    return Refused;
}

bool CommandClient::entryOf(const CommandLine::Command &command, QString *entry)
{
    if (!command.fromLine) {
        *entry = command.entry;
        return true;
    }
    const QString line = readLine();
    if (line.trimmed().isEmpty()) {
        say(QStringLiteral("no line on standard input: nothing was chosen"));
        return false;
    }
    *entry = LauncherLine::idOf(line);
    if (entry->isEmpty()) {
        say(QStringLiteral("the line read does not end in an entry's kind and id, as kavla list --dmenu writes it"));
        return false;
    }
    return true;
}

int CommandClient::simpleCall(const QString &method, const QVariantList &arguments)
{
    int status = Done;
    call(method, arguments, &status);
    return status;
}

int CommandClient::list(const CommandLine::Command &command)
{
    int status = Done;
    const QDBusMessage reply = call(QStringLiteral("List"), {command.search}, &status);
    if (status != Done)
        return status;
    QList<HistoryBusEntry> entries;
    if (reply.arguments().size() != 1 || !reply.arguments().first().canConvert<QDBusArgument>()) {
        say(QStringLiteral("the answer of Kavla is not a list of entries"));
        return Refused;
    }
    reply.arguments().first().value<QDBusArgument>() >> entries;

    QByteArray out;
    switch (command.format) {
    case CommandLine::Format::Lines:
        for (const HistoryBusEntry &entry : entries)
            out += QStringLiteral("%1\t%2\t%3\n").arg(entry.index).arg(entry.kind, LauncherLine::oneLine(entry.title)).toUtf8();
        break;
    case CommandLine::Format::Dmenu:
        for (const QString &line : LauncherLine::format(entries))
            out += line.toUtf8() + '\n';
        break;
    case CommandLine::Format::Json: {
        QJsonArray array;
        for (const HistoryBusEntry &entry : entries) {
            array.append(QJsonObject{
                {QStringLiteral("index"), qint64(entry.index)},
                {QStringLiteral("id"), entry.id},
                {QStringLiteral("kind"), entry.kind},
                {QStringLiteral("title"), entry.title},
                {QStringLiteral("application"), entry.application},
                {QStringLiteral("copiedAt"),
                 QDateTime::fromMSecsSinceEpoch(entry.copiedAt, Qt::UTC).toString(Qt::ISODateWithMs)},
                {QStringLiteral("pinned"), entry.pinned},
            });
        }
        out = QJsonDocument(array).toJson(QJsonDocument::Indented);
        break;
    }
    }
    return writeOut(out) ? Done : Refused;
}

int CommandClient::get(const QString &entry)
{
    int status = Done;
    const QDBusMessage reply = call(QStringLiteral("Content"), {entry}, &status);
    if (status != Done)
        return status;
    const QVariantList answer = reply.arguments();
    if (answer.size() != 3) {
        say(QStringLiteral("the answer of Kavla is not an entry's content"));
        return Refused;
    }
    const QString kind = answer.at(0).toString();
    const QStringList files = qdbus_cast<QStringList>(answer.at(1));
    const QDBusUnixFileDescriptor data = answer.at(2).value<QDBusUnixFileDescriptor>();
    QByteArray paths;
    for (const QString &path : files)
        paths += QFile::encodeName(path) + '\n';
    if (!writeOut(paths))
        return Refused;
    qint64 total = 0;
    if (data.isValid()) {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(data.fileDescriptor(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            if (!writeOut(buffer, got))
                return Refused;
            total += got;
        }
    }
    if (kind == QLatin1String("image") && total == 0) {
        say(QStringLiteral("the image of entry %1 could not be read").arg(entry));
        return Refused;
    }
    return Done;
}
