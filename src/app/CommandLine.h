#pragma once

#include <QString>
#include <QStringList>

// What `kavla` is asked on its command line. A command (`kavla list`, `kavla copy 2`, ...) or the
// help is answered without a display, through the running Kavla on the session bus; anything else
// (no argument, `--guide`, Qt's own options) starts Kavla, or hands over to the one that runs.
namespace CommandLine {

enum class Action { Start, Help, List, Search, Get, Copy, Paste, Pin, Unpin, Delete, Clear, Show, Hide };
enum class Format { Lines, Json, Dmenu };
enum class Window { Popup, Settings, Guide, History };

struct Command
{
    Action action = Action::Start;
    QString entry;          // the entry as given: its number or its id
    bool fromLine = false;  // the entry comes from a launcher line on standard input
    QString search;         // what `search` looks for
    Format format = Format::Lines;
    Window window = Window::Popup; // what `show` opens
    QString error;          // why the arguments are no command; empty when they are one
};

// The arguments after the program's name.
Command parse(const QStringList &arguments);

// The text of `kavla --help`, from which the manual page is made too.
QString helpText();

} // namespace CommandLine
