#include "app/CommandLine.h"

#include <QHash>

namespace CommandLine {

namespace {

const QHash<QString, Action> &actions()
{
    static const QHash<QString, Action> names{
        {QStringLiteral("help"), Action::Help},     {QStringLiteral("list"), Action::List},
        {QStringLiteral("search"), Action::Search}, {QStringLiteral("get"), Action::Get},
        {QStringLiteral("copy"), Action::Copy},     {QStringLiteral("paste"), Action::Paste},
        {QStringLiteral("pin"), Action::Pin},       {QStringLiteral("unpin"), Action::Unpin},
        {QStringLiteral("delete"), Action::Delete}, {QStringLiteral("clear"), Action::Clear},
        {QStringLiteral("show"), Action::Show},     {QStringLiteral("hide"), Action::Hide},
    };
    return names;
}

bool takesEntry(Action action)
{
    switch (action) {
    case Action::Get:
    case Action::Copy:
    case Action::Paste:
    case Action::Pin:
    case Action::Unpin:
    case Action::Delete:
        return true;
    default:
        return false;
    }
}

Command refused(const QString &error)
{
    Command command;
    command.error = error;
    return command;
}

} // namespace

Command parse(const QStringList &arguments)
{
    Command command;
    if (arguments.isEmpty())
        return command;
    const QString &name = arguments.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        command.action = Action::Help;
        return command;
    }
    // Options of Kavla itself (`--guide`) and Qt's (`-platform xcb`) start it as before.
    if (name.startsWith(QLatin1Char('-')))
        return command;
    if (!actions().contains(name))
        return refused(QStringLiteral("unknown command '%1'").arg(name));
    command.action = actions().value(name);

    QStringList operands;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            operands.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if ((argument == QLatin1String("--json") || argument == QLatin1String("--dmenu"))
                   && (command.action == Action::List || command.action == Action::Search)) {
            const Format format = argument == QLatin1String("--json") ? Format::Json : Format::Dmenu;
            if (command.format != Format::Lines && command.format != format)
                return refused(QStringLiteral("--json and --dmenu exclude each other"));
            command.format = format;
        } else if (argument == QLatin1String("--from-line") && takesEntry(command.action)) {
            command.fromLine = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            command.action = Action::Help;
            return command;
        } else {
            return refused(QStringLiteral("%1 takes no option %2").arg(name, argument));
        }
    }

    switch (command.action) {
    case Action::Search:
        if (operands.isEmpty())
            return refused(QStringLiteral("search needs a text to look for"));
        // `kavla search two words` looks for the words with one space between them.
        command.search = operands.join(QLatin1Char(' '));
        return command;
    case Action::Show:
        if (operands.size() > 1)
            return refused(QStringLiteral("show opens one thing: popup, settings, guide or history"));
        if (!operands.isEmpty()) {
            static const QHash<QString, Window> windows{{QStringLiteral("popup"), Window::Popup},
                                                        {QStringLiteral("settings"), Window::Settings},
                                                        {QStringLiteral("guide"), Window::Guide},
                                                        {QStringLiteral("history"), Window::History}};
            if (!windows.contains(operands.first()))
                return refused(QStringLiteral("show opens popup, settings, guide or history, not '%1'").arg(operands.first()));
            command.window = windows.value(operands.first());
        }
        return command;
    default:
        break;
    }
    if (takesEntry(command.action)) {
        if (command.fromLine ? !operands.isEmpty() : operands.size() != 1)
            return refused(QStringLiteral("%1 takes one entry: its number, its id, or --from-line").arg(name));
        if (!command.fromLine)
            command.entry = operands.first();
        return command;
    }
    if (!operands.isEmpty())
        return refused(QStringLiteral("%1 takes no argument '%2'").arg(name, operands.first()));
    return command;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: kavla [COMMAND [ARGUMENT]] [OPTION...]\n"
        "Kavla keeps a history of what you copy: texts, tables, images, files and\n"
        "folders. Without a command it starts, or opens or closes the popup of the\n"
        "Kavla that runs. The commands ask the Kavla that runs, on the session bus.\n"
        "\n"
        "Commands:\n"
        "  list                the history as the popup lists it, newest first: one\n"
        "                      entry a line, with its number, kind and title\n"
        "  search TEXT         the entries the popup's search for TEXT lists, each\n"
        "                      with its number in the whole history\n"
        "  get N|ID            the entry's content on standard output: a text as\n"
        "                      UTF-8, an image as PNG, files as their paths, one a line\n"
        "  copy N|ID           put the entry back on the clipboard; it moves to the top\n"
        "  paste N|ID          copy the entry back and paste it into the window in\n"
        "                      front, once no modifier key is held (X11 only)\n"
        "  pin N|ID            keep the entry whatever the history size\n"
        "  unpin N|ID          let the history size remove the entry again\n"
        "  delete N|ID         delete the entry\n"
        "  clear               delete every entry, pinned ones too\n"
        "  show [WHAT]         open the popup, or WHAT: popup, settings, guide or\n"
        "                      history (the history window)\n"
        "  hide                close the popup\n"
        "\n"
        "N is the entry's number in kavla list or kavla search: 1 is the newest, which\n"
        "Ctrl+1 takes in the popup with no search. ID is the entry's id, as kavla\n"
        "list --json gives it, whole or its first eight characters or more.\n"
        "\n"
        "Options:\n"
        "      --json          list or search: a JSON array of the entries, each with\n"
        "                      index, id, kind, title, application, copiedAt (UTC)\n"
        "                      and pinned\n"
        "      --dmenu         list or search: one line an entry for a launcher, its\n"
        "                      title followed by its kind and id in brackets\n"
        "      --from-line     get, copy, paste, pin, unpin or delete the entry of the\n"
        "                      line that kavla list --dmenu wrote and a launcher chose,\n"
        "                      read on standard input\n"
        "      --guide         open the user guide, starting Kavla if it does not run\n"
        "  -h, --help          show this help and exit\n"
        "      --version       show the version and exit\n"
        "\n"
        "Examples:\n"
        "  kavla list --dmenu | fuzzel --dmenu | kavla copy --from-line\n"
        "                      choose an entry in a launcher (here fuzzel; rofi -dmenu,\n"
        "                      wofi --dmenu, bemenu and dmenu work the same) and put it\n"
        "                      back on the clipboard\n"
        "  kavla get 1 > newest.txt\n"
        "                      save the newest entry\n"
        "\n"
        "Exit status:\n"
        "  0   done\n"
        "  1   no such entry, a request refused, or a wrong command\n"
        "  2   Kavla is not running, or there is no session bus\n");
}

} // namespace CommandLine
