#pragma once

#include "app/CommandLine.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

// The `kavla` command's side of the running Kavla's session-bus interface: it asks, writes the
// answer on standard output, and what went wrong as one line on standard error. Its exit status
// is 0 when done, 1 for no such entry, a request refused or a wrong command, and 2 when Kavla is
// not running or there is no session bus.
class CommandClient
{
public:
    enum Status { Done = 0, Refused = 1, Unreachable = 2 };
    // How long Kavla may take to answer; a paste waits for the keys to be let go.
    static constexpr int AnswerMs = 10000;

    // Asks on the user's session bus.
    CommandClient();

    int run(const CommandLine::Command &command);

private:
    // Sends a call of `method`; the reply, or an error already said, with `status` set.
    QDBusMessage call(const QString &method, const QVariantList &arguments, int *status);
    int list(const CommandLine::Command &command);
    int get(const QString &entry);
    int simpleCall(const QString &method, const QVariantList &arguments);
    // The entry the command names: as given, or the id of the launcher line on standard input.
    bool entryOf(const CommandLine::Command &command, QString *entry);

    QDBusConnection m_bus;
};
