#pragma once

#include "shell/HistoryBusEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// The lines of `kavla list --dmenu`, which launchers (rofi, wofi, fuzzel, bemenu, dmenu) show as
// they are and hand back when one is chosen: the entry's title, then its kind and the beginning
// of its id in brackets, "Meeting at ten  [text 3f2a9c1d]". The id makes equal titles distinct
// lines and finds the chosen entry even when the history changed in between.
namespace LauncherLine {

// One line an entry, in order. Each id is cut to the shortest beginning, eight characters or
// more, that no other entry listed shares.
QStringList format(const QList<HistoryBusEntry> &entries);

// The id (or its beginning) a line of format() ends with; empty when the line has none.
QString idOf(const QString &line);

// `text` on one line a terminal or a launcher shows as it is: every control character (line
// breaks, tabs, escapes) and line or paragraph separator becomes a space.
QString oneLine(const QString &text);

} // namespace LauncherLine
